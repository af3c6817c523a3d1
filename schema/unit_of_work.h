#pragma once
// A piece of schema work that joins the caller's transaction when one is open and otherwise
// runs in a transaction of its own, rolled back unless commit() is reached.

#include "host/db/connection.h"

namespace sparestock::schema {

class UnitOfWork {
 public:
  explicit UnitOfWork(db::Connection& conn) : conn_(conn), own_(!conn.in_transaction()) {
    if (own_) conn_.begin();
  }
  UnitOfWork(const UnitOfWork&) = delete;
  UnitOfWork& operator=(const UnitOfWork&) = delete;
  ~UnitOfWork() {
    if (own_ && !done_) {
      try {
        conn_.rollback();
      } catch (...) {
      }
    }
  }

  // Commits an own transaction; inside the caller's, leaves the decision to the caller.
  void commit() {
    if (own_) conn_.commit();
    done_ = true;
  }

 private:
  db::Connection& conn_;
  bool own_;
  bool done_ = false;
};

}  // namespace sparestock::schema
