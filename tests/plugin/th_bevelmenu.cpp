// BevelButton's popup menu: row methods (with indices and texts no program
// should pass), the menu as the user sees it (rows, separator, check mark,
// anchor), choosing with the keyboard or cancelling, and the menu arrows.
#include "th.h"
#include <string.h>

// A second thread plays the user: it waits for the menu window, reads what
// the menu shows, then sends the keys.
struct th_Robot {
    std::initializer_list<UINT> keys;
    RECT menuRect;   // what it saw
    int items;
    wchar_t texts[8][32];
    UINT states[8];
};

static DWORD WINAPI th_robotRun(void *arg) {
    th_Robot *r = (th_Robot *)arg;
    HWND menu = nullptr;
    for (int i = 0; i < 300 && !menu; i++) {
        menu = FindWindowW(L"#32768", nullptr);
        if (menu && !IsWindowVisible(menu)) menu = nullptr;
        if (!menu) Sleep(10);
    }
    if (!menu) return 0;
    GetWindowRect(menu, &r->menuRect);
    HMENU h = (HMENU)SendMessageW(menu, MN_GETHMENU, 0, 0);
    r->items = h ? GetMenuItemCount(h) : 0;
    for (int i = 0; i < r->items && i < 8; i++) {
        GetMenuStringW(h, i, r->texts[i], 32, MF_BYPOSITION);
        r->states[i] = GetMenuState(h, i, MF_BYPOSITION);
    }
    for (UINT key : r->keys) {
        PostMessageW(menu, WM_KEYDOWN, key, 0);
        Sleep(20);
    }
    return 0;
}

// Clicks the button while the robot presses `keys`; checks the menu opened
// at (x, y) of the host window (unless x is negative).
static th_Robot th_clickWithRobot(th_Instance *b, std::initializer_list<UINT> keys, int x, int y) {
    th_Robot robot = {};
    robot.keys = keys;
    th_logClear();
    HANDLE t = CreateThread(nullptr, 0, th_robotRun, &robot, 0, nullptr);
    CHECK_EQ(th_mouseDown(b, 50, 40), 0);
    WaitForSingleObject(t, 5000);
    CloseHandle(t);
    POINT anchor = {x, y};
    ClientToScreen(th_mainWindow, &anchor);
    if (x < 0) return robot;
    th_report(robot.menuRect.left == anchor.x && robot.menuRect.top == anchor.y, __FILE__, __LINE__,
              "menu at (%ld,%ld), anchor (%ld,%ld)", robot.menuRect.left, robot.menuRect.top, anchor.x, anchor.y);
    return robot;
}

static bool th_rowIs(th_Instance *b, int row, const char *want) {
    typedef kst_String(KST_CALL * Fn)(kst_Instance, int);
    th_Object *s = (th_Object *)((Fn)th_method(b->def, "List(")->function)(th_kst(b), row);
    bool ok = want ? s && strcmp(s->storage, want) == 0 : s == nullptr;
    th_drop(s);
    return ok;
}

void th_bevelMenuChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    th_handle(b, "Action", (void *)th_onAction);
    th_setText(b, "Caption", "");
    kst_Instance k = th_kst(b);
    typedef void(KST_CALL * StrFn)(kst_Instance, kst_String);
    typedef void(KST_CALL * IntFn)(kst_Instance, int);
    typedef void(KST_CALL * IntStrFn)(kst_Instance, int, kst_String);
    StrFn addRow = (StrFn)th_method(b->def, "AddRow")->function;
    kst_InstanceFn addSeparator = (kst_InstanceFn)th_method(b->def, "AddSeparator")->function;
    IntFn removeRow = (IntFn)th_method(b->def, "RemoveRow")->function;
    IntStrFn insertRow = (IntStrFn)th_method(b->def, "InsertRow")->function;
    IntStrFn setList = (IntStrFn)th_method(b->def, "List(")->assign;
    kst_InstanceFn deleteAll = (kst_InstanceFn)th_method(b->def, "DeleteAllRows")->function;

    th_Object *alpha = th_str("Alpha"), *gamma = th_str("Gamma"), *zero = th_str("Zero"), *last = th_str("Last"),
              *two = th_str("Two"), *deux = th_str("Deux");
    addRow(k, th_k(alpha));
    addSeparator(k);
    addRow(k, th_k(gamma));
    insertRow(k, 0, th_k(zero));     // at the start
    insertRow(k, 99, th_k(last));    // beyond the end: appended
    insertRow(k, 2, th_k(two));      // after the second row
    CHECK(th_rowIs(b, 0, "Zero") && th_rowIs(b, 2, "Two") && th_rowIs(b, 5, "Last"));
    CHECK(th_rowIs(b, 6, nullptr) && th_rowIs(b, -1, nullptr));
    setList(k, 2, th_k(deux));
    setList(k, 40, th_k(two));   // out of range: nothing
    for (int row : {99, -1, 0}) removeRow(k, row);
    CHECK(th_rowIs(b, 0, "Alpha") && th_rowIs(b, 1, "Deux") && th_rowIs(b, 4, "Last") && th_rowIs(b, 5, nullptr));
    // A row without text, then no text for a row that had one.
    insertRow(k, -5, nullptr);
    setList(k, 5, nullptr);
    CHECK(th_rowIs(b, 0, nullptr) && th_rowIs(b, 1, "Alpha") && th_rowIs(b, 5, nullptr));
    removeRow(k, 5);
    removeRow(k, 0);
    // Rows now: Alpha, Deux, separator, Gamma.

    th_apply(b, "HasMenu=1 MenuValue=1");
    // Choose Gamma: the separator is no row the keyboard can choose.
    th_Robot robot = th_clickWithRobot(b, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, 20, 52);
    CHECK_EQ(robot.items, 4);
    CHECK(lstrcmpW(robot.texts[0], L"Alpha") == 0 && lstrcmpW(robot.texts[1], L"Deux") == 0 &&
          lstrcmpW(robot.texts[3], L"Gamma") == 0);
    CHECK((robot.states[1] & MF_CHECKED) != 0 && (robot.states[0] & MF_CHECKED) == 0);
    CHECK_EQ(th_get(b, "MenuValue"), 3);
    CHECK_STR(th_rec.log, "Action;");
    // After the menu the button is drawn released, with its arrow.
    CHECK_PX(b, {21, 40, GetSysColor(COLOR_BTNHIGHLIGHT)}, {72, 46, RGB(0, 0, 0)}, {72, 49, GetSysColor(COLOR_BTNFACE)});
    // A mouse up never performs the action with a menu.
    th_logClear();
    CHECK_EQ(th_mouseUp(b, 50, 40), 0);
    CHECK_STR(th_rec.log, "");

    // Cancelled: MenuValue stays, no action.  HasMenu 2 opens at the top
    // right and draws a rightward arrow: corners (72,40) (76,44) (72,48).
    th_set(b, "HasMenu", 2);
    th_clickWithRobot(b, {VK_ESCAPE}, 80, 30);
    CHECK_EQ(th_get(b, "MenuValue"), 3);
    CHECK_STR(th_rec.log, "");
    CHECK_PX(b, {73, 44, RGB(0, 0, 0)}, {70, 44, GetSysColor(COLOR_BTNFACE)});

    deleteAll(k);
    CHECK(th_rowIs(b, 0, nullptr));
    th_clickWithRobot(b, {VK_ESCAPE}, -1, -1);
    CHECK_STR(th_rec.log, "");
    th_destroy(b);
    for (th_Object *s : {alpha, gamma, zero, last, two, deux}) th_drop(s);
}
