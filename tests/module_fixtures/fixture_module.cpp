// Small module libraries with one fault each, for the loader's checks. FIXTURE selects which:
//   0 sound        a window with a button and its clicked script
//   1 no entry     the table lists a script the library does not export
//   2 stray entry  the library exports an entry no table lists
//   3 no control   a script handles a control the window does not have
//   4 bad event    a script handles an event a button does not raise
//   5 renamed      the table names another object than its entry

#include "host/ui/module_entry.h"
#include "host/ui/session.h"

namespace fixture {

using namespace sparestock;

class w_fixture : public ui::Window {
 public:
  explicit w_fixture(ui::Session& s) : ui::Window(s, "w_fixture") { title = "fixture"; }
  ui::CommandButton cb_1{*this, "cb_1", "按钮(&B)"};
  int clicks = 0;
};

#if FIXTURE == 3
#define FIXTURE_CONTROL "cb_9"
#else
#define FIXTURE_CONTROL "cb_1"
#endif
#if FIXTURE == 4
#define FIXTURE_EVENT "ue_enter"
#else
#define FIXTURE_EVENT "clicked"
#endif

#if FIXTURE == 5
extern "C" __attribute__((visibility("default"))) const sparestock_vtable_info* _getVtableInfo_w_fixture() {
  static const sparestock_script scripts[] = {{0, 0, "", "create"}};
  static const sparestock_vtable_info info{
      SPARESTOCK_INTERFACE_VERSION, "w_other", "window", "", 1, 1, scripts};
  return &info;
}
#elif FIXTURE == 1
SPARESTOCK_OBJECT(w_fixture, "window", "", 1, {0, 0, "", "create"}, {1, 1, FIXTURE_CONTROL, FIXTURE_EVENT},
                  {1, 2, "cb_1", "clicked"})
#else
SPARESTOCK_OBJECT(w_fixture, "window", "", 1, {0, 0, "", "create"}, {1, 1, FIXTURE_CONTROL, FIXTURE_EVENT})
#endif

SPARESTOCK_ENTRY(1, 0, 0) { return ui::created(new w_fixture(ui::session_arg(args))); }
SPARESTOCK_ENTRY(1, 1, 1) {
  ++ui::self_as<w_fixture>(self).clicks;
  return 0;
}
#if FIXTURE == 2
SPARESTOCK_ENTRY(1, 9, 9) { return 0; }
#endif

}  // namespace fixture
