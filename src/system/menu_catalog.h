#pragma once
#include <QString>
#include <vector>

// The main window's menus, described as data. The permission code of an entry
// is its menu's number followed by its position + 10, counting every entry of
// the menu from 0, separators and hidden entries included ("215," for 会员资料).
struct MenuEntry
{
    const char *caption;       // "-" for a separator
    const char *windowClass;   // the window it opens, or an action name ("backup", …); empty for separators
    const char *windowCaption; // the window's caption
    bool hidden = false;

    bool isSeparator() const { return caption[0] == '-' && caption[1] == '\0'; }
};

struct TopMenu
{
    const char *caption;
    std::vector<MenuEntry> entries;
};

namespace MenuCatalog {
// The four restricted menus 系统维护, 基础资料, 业务管理, 业务报表 (numbers 1 to 4).
const std::vector<TopMenu> &restrictedMenus();
// "215," for menu 2, position 5.
QString entryCode(int menuNumber, int position);
// An entry is enabled when its code occurs in the menu's rights text, the user
// is the administrator "000", or the text is empty. "null" enables none.
bool isEnabled(int menuNumber, int position, const QString &rightsText, const QString &userCode);
// The rights text that enables exactly the given positions of a menu ("null" for none).
QString rightsText(int menuNumber, const std::vector<int> &positions);
// "QX-" + the ticked other-right codes each followed by a comma, in code order.
QString otherRightsText(const std::vector<int> &codes);
// The nine other rights: code 10 … 18 and the caption of its tick box.
struct OtherRight
{
    int code;
    const char *caption;
};
const std::vector<OtherRight> &otherRights();
}
