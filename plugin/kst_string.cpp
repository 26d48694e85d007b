// kestril: host strings turned into Windows text (UTF-16 on Unicode systems,
// the system 8-bit encoding elsewhere), the caption's accelerator markers
// and its accelerator key, and drawing and measuring that text.
#include "kst_host.h"
#include <stdlib.h>

bool kst_unicodeCheckPending = true;
bool kst_unicodeSystem = false;

void kst_unicodeCheck() {
    if (!kst_unicodeCheckPending) return;
    kst_unicodeCheckPending = false;
    OSVERSIONINFOA v;
    ZeroMemory(&v, sizeof v);
    v.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    kst_unicodeSystem = GetVersionExA(&v) && v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

static wchar_t *kst_wideFromBytes(UINT codePage, const char *bytes, int n, int *outLen) {
    int len = n > 0 ? MultiByteToWideChar(codePage, 0, bytes, n, nullptr, 0) : 0;
    if (len < 0) len = 0;
    wchar_t *w = (wchar_t *)malloc(sizeof(wchar_t) * (len + 1));
    if (!w) return nullptr;
    if (len > 0) len = MultiByteToWideChar(codePage, 0, bytes, n, w, len);
    if (len < 0) len = 0;
    w[len] = 0;
    *outLen = len;
    return w;
}

static char *kst_narrowFromWide(const wchar_t *w, int n, int *outLen) {
    int len = n > 0 ? WideCharToMultiByte(CP_ACP, 0, w, n, nullptr, 0, nullptr, nullptr) : 0;
    if (len < 0) len = 0;
    char *s = (char *)malloc(len + 1);
    if (!s) return nullptr;
    if (len > 0) len = WideCharToMultiByte(CP_ACP, 0, w, n, s, len, nullptr, nullptr);
    if (len < 0) len = 0;
    s[len] = 0;
    *outLen = len;
    return s;
}

kst_Text kst_textFromHost(kst_String s) {
    kst_unicodeCheck();
    kst_Text t = {nullptr, nullptr, 0};
    const char *bytes = s && s->bytes && s->length > 0 ? s->bytes : "";
    int n = s && s->bytes && s->length > 0 ? s->length : 0;
    uint32_t encoding = kst_getStringEncoding(s);
    if (kst_unicodeSystem) {
        if (encoding == kst_encodingUtf16) {
            int chars = n / 2;   // an odd trailing byte is not a character
            t.wide = (wchar_t *)malloc(sizeof(wchar_t) * (chars + 1));
            if (t.wide) {
                memcpy(t.wide, bytes, sizeof(wchar_t) * chars);
                t.wide[chars] = 0;
                t.length = chars;
            }
        } else {
            t.wide = kst_wideFromBytes(encoding == kst_encodingUtf8 ? CP_UTF8 : CP_ACP, bytes, n, &t.length);
        }
        if (!t.wide) t.length = 0;
        // Text stops at an embedded terminator, as the Windows calls would.
        for (int i = 0; t.wide && i < t.length; i++)
            if (!t.wide[i]) t.length = i;
    } else {
        if (encoding == kst_encodingUtf16 || encoding == kst_encodingUtf8) {
            int wlen = 0;
            wchar_t *w;
            if (encoding == kst_encodingUtf16) {
                wlen = n / 2;
                w = (wchar_t *)malloc(sizeof(wchar_t) * (wlen + 1));
                if (w) memcpy(w, bytes, sizeof(wchar_t) * wlen);
            } else {
                w = kst_wideFromBytes(CP_UTF8, bytes, n, &wlen);
            }
            t.narrow = w ? kst_narrowFromWide(w, wlen, &t.length) : nullptr;
            free(w);
        } else {
            t.narrow = (char *)malloc(n + 1);
            if (t.narrow) {
                memcpy(t.narrow, bytes, n);
                t.narrow[n] = 0;
                t.length = n;
            }
        }
        if (!t.narrow) t.length = 0;
        for (int i = 0; t.narrow && i < t.length; i++)
            if (!t.narrow[i]) t.length = i;
    }
    return t;
}

void kst_textFree(kst_Text *t) {
    free(t->wide);
    free(t->narrow);
    t->wide = nullptr;
    t->narrow = nullptr;
    t->length = 0;
}

// "&&" stands for one "&"; a single "&" only marks the accelerator.
template <typename C> static int kst_stripMarkers(C *s, int n) {
    int out = 0;
    for (int i = 0; i < n; i++) {
        if (s[i] == '&') {
            if (i + 1 < n && s[i + 1] == '&') {
                s[out++] = '&';
                i++;
            }
            continue;
        }
        s[out++] = s[i];
    }
    s[out] = 0;
    return out;
}

void kst_textStripMarkers(kst_Text *t) {
    if (t->wide) t->length = kst_stripMarkers(t->wide, t->length);
    if (t->narrow) t->length = kst_stripMarkers(t->narrow, t->length);
}

template <typename C> static int kst_acceleratorIndex(const C *s, int n) {
    for (int i = 0; i < n; i++) {
        if (s[i] != '&') continue;
        if (i + 1 >= n) return -1;
        if (s[i + 1] == '&') {
            i++;
            continue;
        }
        return i + 1;
    }
    return -1;
}

unsigned kst_textAccelerator(const kst_Text *t) {
    if (t->wide) {
        int i = kst_acceleratorIndex(t->wide, t->length);
        if (i < 0) return 0;
        return (unsigned)(uintptr_t)CharUpperW((LPWSTR)(uintptr_t)t->wide[i]);
    }
    if (t->narrow) {
        int i = kst_acceleratorIndex(t->narrow, t->length);
        if (i < 0) return 0;
        return (unsigned)(uintptr_t)CharUpperA((LPSTR)(uintptr_t)(unsigned char)t->narrow[i]) & 0xff;
    }
    return 0;
}

int kst_textDraw(HDC dc, const kst_Text *t, RECT *r, UINT format) {
    if (t->wide) return DrawTextW(dc, t->wide, t->length, r, format);
    if (t->narrow) return DrawTextA(dc, t->narrow, t->length, r, format);
    return 0;
}

void kst_textExtent(HDC dc, const kst_Text *t, SIZE *size) {
    size->cx = size->cy = 0;
    if (t->wide && t->length > 0) GetTextExtentPoint32W(dc, t->wide, t->length, size);
    else if (t->narrow && t->length > 0) GetTextExtentPoint32A(dc, t->narrow, t->length, size);
}
