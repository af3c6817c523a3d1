#include "web/crypto.h"

#include <sodium.h>

#include <stdexcept>

namespace sparestock::web {

namespace {

void ensure_sodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw std::runtime_error("libsodium could not be initialised");
}

std::string hex(const unsigned char* data, size_t size) {
  std::string out(size * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), data, size);
  out.pop_back();
  return out;
}

}  // namespace

std::string hash_password(std::string_view password) {
  ensure_sodium();
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw std::runtime_error("not enough memory to hash a password");
  return out;
}

bool verify_password(std::string_view stored, std::string_view password) {
  ensure_sodium();
  if (stored.empty() || stored.size() >= crypto_pwhash_STRBYTES) return false;
  std::string text(stored);  // the library wants it NUL-terminated
  return crypto_pwhash_str_verify(text.c_str(), password.data(), password.size()) == 0;
}

std::string random_token(size_t bytes) {
  ensure_sodium();
  std::string raw(bytes, '\0');
  randombytes_buf(raw.data(), raw.size());
  return hex(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
}

bool constant_time_equal(std::string_view a, std::string_view b) {
  ensure_sodium();
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string token_digest(std::string_view token) {
  ensure_sodium();
  unsigned char digest[crypto_generichash_BYTES];
  crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()),
                     token.size(), nullptr, 0);
  return hex(digest, sizeof digest);
}

}  // namespace sparestock::web
