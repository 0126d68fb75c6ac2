#include "platform/linux/atspi/roles.h"

#include <atspi/atspi.h>

#include <cctype>

namespace platform::atspi {
namespace {

struct RoleName {
    AtspiRole role;
    const char* name;
};

// The one table of AT-SPI roles with a name of their own; every other role
// is named after its AT-SPI name (axCamelCase). Roles whose name depends on
// the element's states are settled in axRoleName.
constexpr RoleName roleNames[] = {
    {ATSPI_ROLE_PUSH_BUTTON, "AXButton"},
    {ATSPI_ROLE_CHECK_BOX, "AXCheckBox"},
    {ATSPI_ROLE_RADIO_BUTTON, "AXRadioButton"},
    {ATSPI_ROLE_TEXT, "AXTextField"},
    {ATSPI_ROLE_ENTRY, "AXTextField"},
    {ATSPI_ROLE_PASSWORD_TEXT, "AXTextField"},
    {ATSPI_ROLE_LABEL, "AXStaticText"},
    {ATSPI_ROLE_STATIC, "AXStaticText"},
    {ATSPI_ROLE_FRAME, "AXWindow"},
    {ATSPI_ROLE_WINDOW, "AXWindow"},
    {ATSPI_ROLE_DIALOG, "AXWindow"},
    {ATSPI_ROLE_MENU_BAR, "AXMenuBar"},
    {ATSPI_ROLE_MENU, "AXMenu"},
    {ATSPI_ROLE_MENU_ITEM, "AXMenuItem"},
    {ATSPI_ROLE_SLIDER, "AXSlider"},
    {ATSPI_ROLE_SCROLL_BAR, "AXScrollBar"},
    {ATSPI_ROLE_LIST, "AXList"},
    {ATSPI_ROLE_TABLE, "AXTable"},
    {ATSPI_ROLE_TREE_TABLE, "AXOutline"},
    {ATSPI_ROLE_TREE, "AXOutline"},
    {ATSPI_ROLE_TABLE_CELL, "AXCell"},
    {ATSPI_ROLE_IMAGE, "AXImage"},
    {ATSPI_ROLE_ICON, "AXImage"},
    {ATSPI_ROLE_LINK, "AXLink"},
    {ATSPI_ROLE_FILLER, "AXGroup"},
    {ATSPI_ROLE_PANEL, "AXGroup"},
    {ATSPI_ROLE_TOOL_BAR, "AXToolbar"},
    {ATSPI_ROLE_PAGE_TAB_LIST, "AXTabGroup"},
    {ATSPI_ROLE_PROGRESS_BAR, "AXProgressIndicator"},
    {ATSPI_ROLE_APPLICATION, "AXApplication"},
    // Settled by state below.
    {ATSPI_ROLE_TOGGLE_BUTTON, "AXButton"},
    {ATSPI_ROLE_COMBO_BOX, "AXPopUpButton"},
};

std::optional<std::string> atspiRoleName(std::uint32_t role) {
    if (role >= ATSPI_ROLE_LAST_DEFINED) return std::nullopt;
    gchar* name = atspi_role_get_name(static_cast<AtspiRole>(role));
    if (!name) return std::nullopt;
    std::string result = name;
    g_free(name);
    return result;
}

}  // namespace

std::string axCamelCase(std::string_view name) {
    std::string result = "AX";
    bool wordStart = true;
    for (char c : name) {
        if (c == ' ' || c == '-' || c == '_') {
            wordStart = true;
            continue;
        }
        result += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        wordStart = false;
    }
    return result;
}

std::optional<std::string> axRoleName(const ElementRecord& record) {
    if (!record.role) return std::nullopt;
    const std::uint32_t role = *record.role;
    // A toggle that can be checked behaves as a check box, one that cannot as a button.
    if (role == ATSPI_ROLE_TOGGLE_BUTTON && hasState(record, ATSPI_STATE_CHECKABLE)) return "AXCheckBox";
    // A combo box one can type into is a combo box; one that only offers a list pops it up.
    if (role == ATSPI_ROLE_COMBO_BOX && hasState(record, ATSPI_STATE_EDITABLE)) return "AXComboBox";
    if ((role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY) && hasState(record, ATSPI_STATE_MULTI_LINE)) {
        return "AXTextArea";
    }
    for (const RoleName& entry : roleNames) {
        if (static_cast<std::uint32_t>(entry.role) == role) return entry.name;
    }
    auto name = atspiRoleName(role);
    if (!name) return std::nullopt;
    return axCamelCase(*name);
}

bool isWindowLike(std::uint32_t role) {
    return role == ATSPI_ROLE_FRAME || role == ATSPI_ROLE_WINDOW || role == ATSPI_ROLE_DIALOG ||
           role == ATSPI_ROLE_ALERT || role == ATSPI_ROLE_FILE_CHOOSER;
}

bool valueIsCheckedState(std::uint32_t role) {
    return role == ATSPI_ROLE_CHECK_BOX || role == ATSPI_ROLE_TOGGLE_BUTTON || role == ATSPI_ROLE_RADIO_BUTTON ||
           role == ATSPI_ROLE_CHECK_MENU_ITEM || role == ATSPI_ROLE_RADIO_MENU_ITEM;
}

}  // namespace platform::atspi
