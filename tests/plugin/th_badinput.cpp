// What a careless host or program hands the plug-in: null strings and
// pictures, odd encodings, huge captions, negative and huge row indices,
// nonsense property values; then every lock taken must have been released.
#include "th.h"
#include "kst_controls.h"
#include <stdlib.h>
#include <string.h>

void th_badInputChecks() {
    th_Instance *b = th_create("BevelButton", 20, 30, 60, 22);
    kst_Instance k = th_kst(b);
    // Null caption and font.
    th_set(b, "Caption", 0);
    th_set(b, "TextFont", 0);
    th_redraw(b);
    CHECK_PX(b, 20, 30, RGB(0, 0, 0));
    // A 10 000 character caption stays inside the face.
    char *huge = (char *)malloc(10001);
    for (int i = 0; i < 10000; i++) huge[i] = (char)('A' + i % 26);
    huge[10000] = 0;
    th_String *big = th_str(huge);
    free(huge);
    th_set(b, "Caption", (intptr_t)big);
    th_set(b, "CaptionAlign", 0);
    th_redraw(b);
    CHECK_PX(b, 20, 30, RGB(0, 0, 0));
    CHECK_PX(b, 79, 40, RGB(0, 0, 0));
    CHECK_PX(b, 21, 40, GetSysColor(COLOR_BTNHIGHLIGHT));
    CHECK_PX(b, 78, 40, GetSysColor(COLOR_BTNSHADOW));
    // UTF-16 with an odd byte count, an unknown encoding, invalid UTF-8.
    const wchar_t wide[] = L"Wide";
    th_String *w16 = th_strEnc(wide, 9, kst_encodingUtf16);
    th_String *odd = th_strEnc("Latin \xe9", 7, 0x7777);
    th_String *bad8 = th_strEnc("\xff\xfe\xc3", 3, kst_encodingUtf8);
    th_String *amp = th_strEnc("&", 1, kst_encodingUtf8);
    for (th_String *s : {w16, odd, bad8, amp}) {
        th_set(b, "Caption", (intptr_t)s);
        th_redraw(b);
        th_drop(s);
    }
    // Fonts: the small-system size rule with a negative size, huge sizes.
    th_String *smallSystem = th_str("smallsystem");
    th_set(b, "TextFont", (intptr_t)smallSystem);
    th_drop(smallSystem);
    for (int size : {-7, 0, 2000000000, -2000000000}) {
        th_set(b, "TextSize", size);
        th_redraw(b);
    }
    // Nonsense enumeration values.
    for (int v : {-3, 100}) {
        th_set(b, "Bevel", v);
        th_set(b, "IconAlign", v);
        th_set(b, "CaptionPlacement", v);
        th_set(b, "ButtonType", v);
        th_redraw(b);
        th_mouseDown(b, 50, 40);
        th_mouseUp(b, 50, 40);
    }
    CHECK_PX(b, 20, 30, RGB(0, 0, 0));
    // A picture whose description the host refuses, and a null picture.
    th_Object *refused = th_picture(10, 10, RGB(1, 2, 3), 0);
    refused->refuseDescription = true;
    th_set(b, "Icon", (intptr_t)refused);
    th_redraw(b);
    th_set(b, "Icon", 0);
    th_set(b, "Icon", (intptr_t)refused);
    // Rows: null text, negative and huge indices.
    typedef void (KST_CALL *StrFn)(kst_Instance, kst_String);
    typedef void (KST_CALL *IntFn)(kst_Instance, int);
    typedef void (KST_CALL *IntStrFn)(kst_Instance, int, kst_String);
    typedef kst_String (KST_CALL *ListFn)(kst_Instance, int);
    typedef void (KST_CALL *ObjFn)(kst_Instance, kst_Object);
    StrFn addRow = (StrFn)th_method(b->def, "AddRow")->function;
    IntFn removeRow = (IntFn)th_method(b->def, "RemoveRow")->function;
    IntStrFn insertRow = (IntStrFn)th_method(b->def, "InsertRow")->function;
    ListFn list = (ListFn)th_method(b->def, "List(")->function;
    IntStrFn setList = (IntStrFn)th_method(b->def, "List(")->assign;
    ObjFn addReceiver = (ObjFn)th_method(b->def, "addAction")->function;
    ObjFn removeReceiver = (ObjFn)th_method(b->def, "removeAction")->function;
    th_String *row = th_str("row");
    addRow(k, nullptr);
    addRow(k, th_k(row));
    insertRow(k, -5, th_k(row));
    insertRow(k, 0x7fffffff, nullptr);
    removeRow(k, -1);
    removeRow(k, 0x7fffffff);
    removeRow(k, (int)0x80000000);
    CHECK(list(k, -1) == nullptr);
    CHECK(list(k, 0x7fffffff) == nullptr);
    CHECK(list(k, 0) == &row->head);
    th_drop(row);
    setList(k, -1, th_k(row));
    setList(k, 1 << 30, th_k(row));
    setList(k, 1, nullptr);
    CHECK(list(k, 1) == nullptr);
    addReceiver(k, nullptr);
    removeReceiver(k, nullptr);
    th_Object *stranger = th_receiver(9);
    removeReceiver(k, stranger);
    th_drop(stranger);
    th_call(b, 21);
    th_set(b, "MenuValue", -40000);
    th_call(b, 15);
    th_call(b, 16);
    th_destroy(b);
    th_drop(big);
    th_drop(row);
    CHECK_EQ(refused->refCount, 1);
    CHECK_EQ(refused->descLocks, 0);
    th_drop(refused);

    // Small controls with values the editor never offers.
    th_Instance *c = th_create("ChasingArrows", 10, 10, 16, 16);
    ((kst_ChasingArrowsBlock *)th_block(c))->frame = -13;
    th_redraw(c);
    th_call(c, 12);
    CHECK(((kst_ChasingArrowsBlock *)th_block(c))->frame >= 0 && ((kst_ChasingArrowsBlock *)th_block(c))->frame < 8);
    th_destroy(c);
    th_Instance *d = th_create("DisclosureTriangle", 10, 10, 12, 12);
    th_set(d, "Facing", -9);
    th_redraw(d);
    th_destroy(d);
    th_Instance *w = th_create("ImageWell", 10, 10, 3, 3);
    th_Object *pic = th_picture(5, 5, RGB(9, 9, 9), 0);
    th_set(w, "Image", (intptr_t)pic);
    th_redraw(w);
    th_set(w, "Image", 0);
    th_set(w, "Image", (intptr_t)pic);
    th_destroy(w);
    th_drop(pic);
    th_Instance *l = th_create("LittleArrows", 10, 10, 13, 23);
    th_mouseDrag(l, -100, -100);
    th_mouseUp(l, 0, 0);
    th_destroy(l);

    // Everything the plug-in locked it has released, and never more.
    CHECK_EQ(th_lockedStrings(), 0);
    CHECK_EQ(th_lockedObjects(), 0);
    CHECK_EQ(th_lockedDescriptions(), 0);
    CHECK_EQ(th_rec.stringUnderflows, 0);
    CHECK_EQ(th_rec.objectUnderflows, 0);
    CHECK_EQ(th_rec.descUnderflows, 0);
    CHECK_EQ(th_rec.foreignEvents, 0);
}
