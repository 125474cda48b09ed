#include "app/FormDescription.h"

namespace form {
namespace {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

const ControlDesc* FindControl(std::string_view name) {
    for (const auto& c : detail::kControls) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

const ControlDesc* FindControlById(int id) {
    for (const auto& c : detail::kControls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const MenuItemDesc* FindMenuItem(std::string_view name) {
    for (const auto& m : detail::kMenu) {
        if (m.name == name) {
            return &m;
        }
    }
    return nullptr;
}

HeaderAction HeaderActionFor(std::string_view componentName) {
    if (EqualsIgnoreCase(componentName, "BtnHome")) {
        return HeaderAction::Home;
    }
    if (EqualsIgnoreCase(componentName, "BtnConfig")) {
        return HeaderAction::Config;
    }
    if (EqualsIgnoreCase(componentName, "BtnDonate")) {
        return HeaderAction::Donate;
    }
    return HeaderAction::None;
}

} // namespace form
