#pragma once
// Registration of the host library's windows (w_cx, w_sort, w_dw_print_options, w_help,
// w_bj418_001) and menus (m_e, m_module, me_yshx, m_e3, m_e4) by class name, and of its grid
// definition d_yfscpz. Idempotent; the ancestors call it when a form is built and the protocol
// driver when a session starts, so that a form can open the host's windows by name.

namespace sparestock::lib {

void register_host_library();

}  // namespace sparestock::lib
