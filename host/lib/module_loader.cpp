#include "host/lib/module_loader.h"

#include <dlfcn.h>
#include <elf.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "host/grid/definition.h"
#include "host/lib/help.h"
#include "host/lib/host_library.h"
#include "host/lib/menus.h"
#include "host/ui/entry_points.h"
#include "host/ui/script_binding.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

namespace {

constexpr std::string_view kVtablePrefix = "_getVtableInfo_";
constexpr std::string_view kEntryPrefix = "__fn_";

// An object of the library with its script entries resolved.
struct LoadedObject {
  ModuleObject object;
  std::vector<sparestock_script_fn> entries;  // parallel to object.scripts

  sparestock_script_fn entry(std::string_view control_name, std::string_view event) const {
    for (size_t i = 0; i < object.scripts.size(); ++i)
      if (object.scripts[i].control_name == control_name && object.scripts[i].event == event)
        return entries[i];
    return nullptr;
  }
};

struct Module {
  std::string path;
  std::vector<ModuleObject> objects;
  std::map<std::string, LoadedObject, std::less<>> by_name;
};

std::mutex load_mutex;
Module* loaded = nullptr;

bool is_window_event(std::string_view event) {
  return event == "open" || event == "close" || event == "closequery" || event.starts_with("ue_");
}

ui::ScriptCall call_of(sparestock_script_fn fn, void* self) {
  return [fn, self](ui::ScriptArgs& a) { return fn(self, &a); };
}

std::string where(const Module& m, const ModuleObject& o) {
  return fmt::format("module library {}: object {}", m.path, o.name);
}

// Binds the scripts of a user object placed on `window` to its controls "<name>.<control>".
void bind_user_object(const Module& m, ui::Window& window, const ui::Window::UserObject& uo) {
  auto it = m.by_name.find(uo.class_name);
  if (it == m.by_name.end()) return;  // a host user object: its handlers are its own
  const LoadedObject& lo = it->second;
  for (size_t i = 0; i < lo.object.scripts.size(); ++i) {
    const ModuleScript& s = lo.object.scripts[i];
    if (s.control_name.empty()) continue;  // create and object functions
    ui::Control* c = window.find_control(uo.name + "." + s.control_name);
    if (!c || !ui::bind_control_event(*c, s.event, call_of(lo.entries[i], uo.self)))
      throw ModuleError(fmt::format("{}: entry {} handles {}.{}, which the object as built does not have",
                                    where(m, lo.object), s.entry, s.control_name, s.event));
  }
}

// Binds a window's scripts to its events and controls. A form deriving from another form of
// the module first gets its ancestor's scripts; its own then take the place of those it
// overrides (the entries call the C++ handlers, which extend or replace the ancestor's).
void bind_window(const Module& m, const LoadedObject& lo, ui::Window& w) {
  if (auto ancestor = m.by_name.find(lo.object.ancestor); ancestor != m.by_name.end())
    bind_window(m, ancestor->second, w);
  void* self = &w;
  for (size_t i = 0; i < lo.object.scripts.size(); ++i) {
    const ModuleScript& s = lo.object.scripts[i];
    bool bound = true;
    if (s.control_name.empty()) {
      if (s.event == "create" || !is_window_event(s.event)) continue;  // object functions
      bound = ui::bind_window_event(w, s.event, call_of(lo.entries[i], self));
    } else {
      ui::Control* c = w.find_control(s.control_name);
      bound = c && ui::bind_control_event(*c, s.event, call_of(lo.entries[i], self));
    }
    if (!bound)
      throw ModuleError(fmt::format("{}: entry {} handles {}{}{}, which the object as built does not have",
                                    where(m, lo.object), s.entry, s.control_name,
                                    s.control_name.empty() ? "" : ".", s.event));
  }
}

std::unique_ptr<ui::Window> build_window(const Module& m, const LoadedObject& lo, ui::Session& s) {
  auto* raw = reinterpret_cast<ui::Window*>(lo.entry("", "create")(nullptr, &s));
  if (!raw) throw ModuleError(where(m, lo.object) + ": create answered no window");
  std::unique_ptr<ui::Window> w(raw);
  bind_window(m, lo, *w);
  return w;
}

std::unique_ptr<Menu> build_menu(const Module& m, const LoadedObject& lo, ui::Window& window) {
  auto* raw = reinterpret_cast<Menu*>(lo.entry("", "create")(nullptr, &window));
  if (!raw) throw ModuleError(where(m, lo.object) + ": create answered no menu");
  std::unique_ptr<Menu> menu(raw);
  for (size_t i = 0; i < lo.object.scripts.size(); ++i) {
    const ModuleScript& s = lo.object.scripts[i];
    if (s.control_name.empty()) continue;
    MenuItem* item = menu->find(s.control_name);
    if (!item || s.event != "clicked")
      throw ModuleError(fmt::format("{}: entry {} handles {}.{}, which the menu does not have",
                                    where(m, lo.object), s.entry, s.control_name, s.event));
    item->clicked = [fn = lo.entries[i], self = static_cast<void*>(menu.get())] {
      ui::ScriptArgs a;
      fn(self, &a);
    };
  }
  return menu;
}

// Reads the table of every exported object and resolves its entries; every mismatch between
// tables and exports is an error.
void read_tables(Module& m, void* handle, const std::vector<std::string>& symbols) {
  std::set<std::string> entries;
  for (const auto& name : symbols)
    if (name.starts_with(kEntryPrefix)) entries.insert(name);
  std::set<std::string> claimed;
  std::map<int, std::string> numbers;
  for (const auto& symbol : symbols) {
    if (!symbol.starts_with(kVtablePrefix)) continue;
    std::string name = symbol.substr(kVtablePrefix.size());
    auto fn = reinterpret_cast<sparestock_vtable_fn>(dlsym(handle, symbol.c_str()));
    const sparestock_vtable_info* info = fn ? fn() : nullptr;
    std::string at = fmt::format("module library {}: {}", m.path, symbol);
    if (!info) throw ModuleError(at + " answers no table");
    if (info->interface_version != SPARESTOCK_INTERFACE_VERSION)
      throw ModuleError(fmt::format("{}: built for interface version {}, the runtime speaks {}", at,
                                    info->interface_version, SPARESTOCK_INTERFACE_VERSION));
    if (!info->object || name != info->object)
      throw ModuleError(fmt::format("{} describes object '{}'", at, info->object ? info->object : ""));
    static const std::set<std::string, std::less<>> kinds = {"window",    "menu", "userobject",
                                                             "structure", "grid", "help"};
    if (!info->kind || !kinds.contains(info->kind))
      throw ModuleError(fmt::format("{}: unknown kind '{}'", at, info->kind ? info->kind : ""));
    if (auto [it, fresh] = numbers.emplace(info->object_number, name); !fresh)
      throw ModuleError(fmt::format("{}: object number {} is also {}'s", at, info->object_number, it->second));

    LoadedObject lo;
    lo.object = {name, info->kind, info->ancestor ? info->ancestor : "", info->object_number, {}};
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < info->script_count; ++i) {
      const sparestock_script& s = info->scripts[i];
      ModuleScript ms{s.control, s.script, s.control_name ? s.control_name : "", s.event ? s.event : "",
                      fmt::format("__fn_{}_{}_{}", info->object_number, s.control, s.script)};
      if (!seen.emplace(s.control, s.script).second)
        throw ModuleError(fmt::format("{}: script {} listed twice", at, ms.entry));
      if (!entries.contains(ms.entry))
        throw ModuleError(fmt::format("{}: lists script {}{}{} but the library exports no entry {}", at,
                                      ms.control_name, ms.control_name.empty() ? "" : ".", ms.event,
                                      ms.entry));
      auto entry = reinterpret_cast<sparestock_script_fn>(dlsym(handle, ms.entry.c_str()));
      if (!entry)
        throw ModuleError(fmt::format("{}: entry {} cannot be resolved: {}", at, ms.entry, dlerror()));
      claimed.insert(ms.entry);
      lo.object.scripts.push_back(std::move(ms));
      lo.entries.push_back(entry);
    }
    if (!lo.entry("", "create")) throw ModuleError(at + ": the table has no create script (0, 0)");
    m.objects.push_back(lo.object);
    m.by_name.emplace(name, std::move(lo));
  }
  std::sort(m.objects.begin(), m.objects.end(),
            [](const ModuleObject& a, const ModuleObject& b) { return a.number < b.number; });
  for (const auto& e : entries)
    if (!claimed.contains(e))
      throw ModuleError(
          fmt::format("module library {}: exports entry {} that no object's table lists", m.path, e));
}

// The help topic a help object's create answers; the caller owns it.
std::unique_ptr<HelpTopic> help_topic_of(const Module& m, const LoadedObject& lo) {
  std::unique_ptr<HelpTopic> topic(reinterpret_cast<HelpTopic*>(lo.entry("", "create")(nullptr, nullptr)));
  if (!topic || topic->number <= 0)
    throw ModuleError(where(m, lo.object) + ": create answered no help topic with a positive number");
  return topic;
}

// Builds every window, menu and user object once in a throwaway session, so that a script
// naming a control or event the object does not have stops the start rather than a later
// click; reads every help topic, so that two objects with one topic number stop it too.
void probe(const Module& m) {
  ui::Session session;
  ui::Window host_window(session, "probe");
  std::map<int, std::string> topics;
  for (const auto& [name, lo] : m.by_name) {
    if (lo.object.kind == "help") {
      int number = help_topic_of(m, lo)->number;
      if (auto [it, fresh] = topics.emplace(number, name); !fresh)
        throw ModuleError(
            fmt::format("{}: help topic {} is also {}'s", where(m, lo.object), number, it->second));
    }
    if (lo.object.kind == "window") {
      build_window(m, lo, session);
    } else if (lo.object.kind == "menu") {
      build_menu(m, lo, host_window);
    } else if (lo.object.kind == "userobject") {
      ui::UserObjectCreate create{&host_window, "probe"};
      void* uo = reinterpret_cast<void*>(lo.entry("", "create")(nullptr, &create));
      if (!uo) throw ModuleError(where(m, lo.object) + ": create answered no object");
      bind_user_object(m, host_window, {"probe", name, uo});
      sparestock_script_fn destroy = lo.entry("", "destroy");
      if (!destroy) throw ModuleError(where(m, lo.object) + ": a user object needs a destroy script");
      destroy(uo, nullptr);
    }
  }
  session.shutdown();
}

void register_objects(const Module& m) {
  std::vector<grid::GridDefinition> definitions;
  for (const ModuleObject& o : m.objects) {
    const LoadedObject& lo = m.by_name.find(o.name)->second;
    sparestock_script_fn create = lo.entry("", "create");
    if (o.kind == "grid") {
      std::unique_ptr<grid::GridDefinition> d(
          reinterpret_cast<grid::GridDefinition*>(create(nullptr, nullptr)));
      if (!d || d->name != o.name)
        throw ModuleError(where(m, o) + ": create answered no grid definition of that name");
      definitions.push_back(std::move(*d));
    } else if (o.kind == "structure") {
      std::unique_ptr<std::any> zero(reinterpret_cast<std::any*>(create(nullptr, nullptr)));
      sparestock_script_fn fields = lo.entry("", "fields");
      if (!zero || !fields) throw ModuleError(where(m, o) + ": a structure needs create and fields scripts");
      ui::register_structure(zero->type(), [fields](const std::any& v) {
        nlohmann::json j = nlohmann::json::object();
        fields(const_cast<std::any*>(&v), &j);
        return j;
      });
    } else if (o.kind == "help") {
      std::unique_ptr<HelpTopic> topic = help_topic_of(m, lo);
      int number = topic->number;
      if (!register_help_topic(std::move(*topic)))
        throw ModuleError(fmt::format("{}: help topic {} is taken by the host", where(m, o), number));
    } else if (o.kind == "menu") {
      register_menu_class(o.name, [&m, &lo](ui::Window& w) { return build_menu(m, lo, w); });
    } else if (o.kind == "window") {
      ui::register_window_class(o.name, [&m, &lo](ui::Session& s) { return build_window(m, lo, s); });
    }
  }
  grid::install_definitions(std::move(definitions));
}

}  // namespace

std::vector<std::string> exported_symbols(const std::string& path) {
  // Reads only the ELF header, the section table and the dynamic symbol table with its strings:
  // a library built with debug information is many times larger than those.
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ModuleError("cannot read module library " + path);
  auto bad = [&](const char* why) { return ModuleError(fmt::format("module library {}: {}", path, why)); };
  in.seekg(0, std::ios::end);
  const uint64_t file_size = static_cast<uint64_t>(in.tellg());
  auto read_at = [&](uint64_t offset, uint64_t size) {
    if (offset > file_size || size > file_size - offset) throw bad("a table lies outside the file");
    std::string bytes(size, '\0');
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (!in) throw bad("cannot be read");
    return bytes;
  };
  if (file_size < sizeof(Elf64_Ehdr)) throw bad("not a 64-bit ELF file");
  std::string header = read_at(0, sizeof(Elf64_Ehdr));
  if (std::memcmp(header.data(), ELFMAG, SELFMAG) != 0 || header[EI_CLASS] != ELFCLASS64)
    throw bad("not a 64-bit ELF file");
  Elf64_Ehdr eh;
  std::memcpy(&eh, header.data(), sizeof eh);
  if (eh.e_shoff == 0 || eh.e_shentsize != sizeof(Elf64_Shdr)) throw bad("no readable section table");
  std::string table = read_at(eh.e_shoff, uint64_t(eh.e_shnum) * sizeof(Elf64_Shdr));
  std::vector<Elf64_Shdr> sections(eh.e_shnum);
  std::memcpy(sections.data(), table.data(), table.size());
  std::vector<std::string> out;
  for (const Elf64_Shdr& sh : sections) {
    if (sh.sh_type != SHT_DYNSYM) continue;
    if (sh.sh_link >= sections.size()) throw bad("symbol table without strings");
    std::string symbols = read_at(sh.sh_offset, sh.sh_size);
    std::string strings = read_at(sections[sh.sh_link].sh_offset, sections[sh.sh_link].sh_size);
    for (size_t off = 0; off + sizeof(Elf64_Sym) <= symbols.size(); off += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, symbols.data() + off, sizeof sym);
      if (sym.st_shndx == SHN_UNDEF || sym.st_name >= strings.size()) continue;
      int binding = ELF64_ST_BIND(sym.st_info);
      if (binding != STB_GLOBAL && binding != STB_WEAK) continue;
      const char* name = strings.data() + sym.st_name;
      out.emplace_back(name, strnlen(name, strings.size() - sym.st_name));
    }
  }
  return out;
}

std::string default_module_path() {
  if (const char* env = std::getenv("SPARESTOCK_MODULE"); env && *env) return env;
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "libbj_stock.so";
  return (exe.parent_path() / "libbj_stock.so").string();
}

namespace {

std::unique_ptr<Module> open_module(const std::string& path) {
  register_host_library();
  auto m = std::make_unique<Module>();
  m->path = path;
  if (!std::filesystem::exists(path)) throw ModuleError("module library " + path + " not found");
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!handle) throw ModuleError(fmt::format("cannot load module library {}: {}", path, dlerror()));
  read_tables(*m, handle, exported_symbols(path));
  try {
    probe(*m);
  } catch (const ModuleError&) {
    throw;
  } catch (const std::exception& e) {
    // A constructor of the module that fails is a fault of the library as loaded.
    throw ModuleError(fmt::format("module library {}: building its objects failed: {}", path, e.what()));
  }
  return m;
}

}  // namespace

std::vector<ModuleObject> inspect_module(const std::string& path) {
  std::lock_guard lock(load_mutex);
  return open_module(path)->objects;
}

const std::vector<ModuleObject>& load_module(const std::string& path) {
  std::lock_guard lock(load_mutex);
  if (loaded) return loaded->objects;
  std::unique_ptr<Module> m = open_module(path);
  // Objects keep pointing into the module for the life of the process; it is never unloaded.
  loaded = m.release();
  register_objects(*loaded);
  ui::set_user_object_binder([m = loaded](ui::Window& w) {
    for (const auto& uo : w.user_objects()) bind_user_object(*m, w, uo);
  });
  return loaded->objects;
}

}  // namespace sparestock::lib
