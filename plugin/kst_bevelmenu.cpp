// kestril: BevelButton's popup menu rows and their methods, the action
// notification receivers, the popup menu itself and performing the action.
#include "kst_controls.h"
#include <stdlib.h>

static kst_MenuRow *kst_rowNew(kst_String text, bool separator) {
    kst_MenuRow *row = (kst_MenuRow *)calloc(1, sizeof(kst_MenuRow));
    if (!row) return nullptr;
    row->text = text;
    row->separator = separator;
    kst_lockString(text);
    return row;
}

static void kst_rowDelete(kst_MenuRow *row) {
    kst_unlockString(row->text);
    free(row);
}

static void kst_rowAppend(kst_BevelBlock *b, kst_MenuRow *row) {
    if (!row) return;
    kst_MenuRow **p = &b->rows;
    while (*p) p = &(*p)->next;
    *p = row;
}

void kst_bevelDeleteRows(kst_BevelBlock *b) {
    while (b->rows) {
        kst_MenuRow *next = b->rows->next;
        kst_rowDelete(b->rows);
        b->rows = next;
    }
}

static kst_MenuRow *kst_rowAt(kst_BevelBlock *b, int row) {
    if (row < 0) return nullptr;
    kst_MenuRow *r = b->rows;
    for (int i = 0; r && i < row; i++) r = r->next;
    return r;
}

static void KST_CALL kst_bevelDeleteAllRows(kst_Instance inst) {
    kst_bevelDeleteRows(kst_bevelBlock(inst));
}

static void KST_CALL kst_bevelAddRow(kst_Instance inst, kst_String text) {
    kst_rowAppend(kst_bevelBlock(inst), kst_rowNew(text, false));
}

static void KST_CALL kst_bevelAddSeparator(kst_Instance inst) {
    kst_rowAppend(kst_bevelBlock(inst), kst_rowNew(nullptr, true));
}

static void KST_CALL kst_bevelRemoveRow(kst_Instance inst, int row) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    if (row < 0) return;
    kst_MenuRow **p = &b->rows;
    for (int i = 0; *p && i < row; i++) p = &(*p)->next;
    if (!*p) return;
    kst_MenuRow *gone = *p;
    *p = gone->next;
    kst_rowDelete(gone);
}

// Walks `row` rows (fewer at the end of the list) and inserts after the last
// one walked; a negative index inserts at the start, like 0.
static void KST_CALL kst_bevelInsertRow(kst_Instance inst, int row, kst_String text) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_MenuRow *fresh = kst_rowNew(text, false);
    if (!fresh) return;
    kst_MenuRow **p = &b->rows;
    for (int i = 0; *p && i < row; i++) p = &(*p)->next;
    fresh->next = *p;
    *p = fresh;
}

static kst_String KST_CALL kst_bevelList(kst_Instance inst, int row) {
    kst_MenuRow *r = kst_rowAt(kst_bevelBlock(inst), row);
    if (!r) return nullptr;
    kst_lockString(r->text);
    return r->text;
}

static void KST_CALL kst_bevelSetList(kst_Instance inst, int row, kst_String text) {
    kst_MenuRow *r = kst_rowAt(kst_bevelBlock(inst), row);
    if (!r) return;
    kst_replaceString(&r->text, text);
}

static void KST_CALL kst_bevelAddReceiver(kst_Instance inst, kst_Object receiver) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    kst_Receiver *e = (kst_Receiver *)calloc(1, sizeof(kst_Receiver));
    if (!e) return;
    e->receiver = receiver;
    kst_lockObject(receiver);
    e->next = b->receivers;
    b->receivers = e;
}

static void KST_CALL kst_bevelRemoveReceiver(kst_Instance inst, kst_Object receiver) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    for (kst_Receiver **p = &b->receivers; *p; p = &(*p)->next) {
        if ((*p)->receiver != receiver) continue;
        kst_Receiver *gone = *p;
        *p = gone->next;
        kst_unlockObject(gone->receiver);
        free(gone);
        return;
    }
}

void kst_bevelDeleteReceivers(kst_BevelBlock *b) {
    while (b->receivers) {
        kst_Receiver *next = b->receivers->next;
        kst_unlockObject(b->receivers->receiver);
        free(b->receivers);
        b->receivers = next;
    }
}

// Receivers may add or remove receivers while being notified, so the list is
// copied (and each receiver held) before any of them is called.
void KST_CALL kst_bevelPerformAction(kst_Instance inst) {
    kst_BevelBlock *b = kst_bevelBlock(inst);
    int count = 0;
    for (kst_Receiver *e = b->receivers; e; e = e->next) count++;
    kst_Object *list = count ? (kst_Object *)malloc(sizeof(kst_Object) * count) : nullptr;
    int n = 0;
    if (list) {
        for (kst_Receiver *e = b->receivers; e; e = e->next) {
            list[n++] = e->receiver;
            kst_lockObject(e->receiver);
        }
    }
    for (int i = 0; i < n; i++) {
        kst_PerformActionFn fn = (kst_PerformActionFn)kst_getInterfaceRoutine(
            list[i], "actionNotificationReceiver", "PerformAction");
        if (fn) fn(list[i]);
    }
    for (int i = 0; i < n; i++) kst_unlockObject(list[i]);
    free(list);
    kst_forwardPlain(inst, &kst_bevelEvents[2]);
}

int kst_bevelTrackMenu(kst_Instance inst, kst_BevelBlock *b, const RECT *bounds) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return 0;
    kst_unicodeCheck();
    int i = 0;
    for (kst_MenuRow *r = b->rows; r && i < 0xffff - 1000; r = r->next, i++) {
        UINT_PTR command = 1000 + i;
        if (r->separator) {
            AppendMenuW(menu, MF_SEPARATOR, command, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (i == b->menuValue ? MF_CHECKED : MF_UNCHECKED);
        if (kst_unicodeSystem) {
            kst_Text t = kst_textFromHost(r->text);
            AppendMenuW(menu, flags, command, t.wide ? t.wide : L"");
            kst_textFree(&t);
        } else {
            const char *s = kst_stringGetCString(r->text);
            AppendMenuA(menu, flags, command, s ? s : "");
        }
    }
    POINT anchor;
    if (b->hasMenu == 2) {
        anchor.x = bounds->right;
        anchor.y = bounds->top;
    } else {
        anchor.x = bounds->left;
        anchor.y = bounds->bottom;
    }
    HWND window = kst_getWindowHandle(kst_getControlWindow(inst));
    if (window) ClientToScreen(window, &anchor);
    int command = (int)TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                                      anchor.x, anchor.y, 0, window, nullptr);
    DestroyMenu(menu);
    return command;
}

const kst_Method kst_bevelMethods[8] = {
    {(void *)kst_bevelDeleteAllRows, nullptr, "DeleteAllRows"},
    {(void *)kst_bevelAddRow, nullptr, "AddRow(text As String)"},
    {(void *)kst_bevelAddSeparator, nullptr, "AddSeparator"},
    {(void *)kst_bevelRemoveRow, nullptr, "RemoveRow(row As Integer)"},
    {(void *)kst_bevelInsertRow, nullptr, "InsertRow(row As Integer, text As String)"},
    {(void *)kst_bevelList, (void *)kst_bevelSetList, "List(row As Integer) As String"},
    {(void *)kst_bevelAddReceiver, nullptr, "addActionNotificationReceiver(receiver As actionNotificationReceiver)"},
    {(void *)kst_bevelRemoveReceiver, nullptr, "removeActionNotificationReceiver(receiver As actionNotificationReceiver)"},
};
