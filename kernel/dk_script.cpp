/*
** dk_script.cpp -- finding, reading and parsing the demo scripts.
**
** Owns the script search under the working folder, the line reader, the
** key/value and float-list splitters, the name lookups shared with other
** modules, and the grammar that turns lines into global settings and
** Section records.  Every script error is fatal and names script and line;
** a checking run (player --check) collects them and reads on.
*/
#include "dkernel.h"
#include "dk_script.h"
#include "dk_path.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

const char* const scriptSectionCommand[DK_SECTION_COMMANDS] = {
    "start", "end", "layer", "blend", "alpha", "param", "string", "spline", "modify",
};

enum {
    SCMD_START, SCMD_END, SCMD_LAYER, SCMD_BLEND, SCMD_ALPHA,
    SCMD_PARAM, SCMD_STRING, SCMD_SPLINE, SCMD_MODIFY
};

/* ---------------------------------------------------------------------- */
/* small helpers                                                          */

static char* copyText(const char* text)
{
    char* copy = strdup(text);
    if (!copy)
        dkernel_error("Out of memory");
    return copy;
}

/* ---------------------------------------------------------------------- */
/* numbers                                                                */

/* Length of the decimal number at the start of `p`: sign, digits, and for
** floats a point with its fraction and an exponent; 0 when no digit is in
** it.  Hexadecimal, "inf" and "nan" spellings are no decimal numbers. */
static size_t decimalPrefix(const char* p, bool integer)
{
    size_t n = (*p == '+' || *p == '-') ? 1 : 0;
    size_t digits = 0;
    for (; isdigit((unsigned char)p[n]); n++) digits++;
    if (!integer && p[n] == '.')
        for (n++; isdigit((unsigned char)p[n]); n++) digits++;
    if (digits == 0)
        return 0;
    if (!integer && (p[n] == 'e' || p[n] == 'E')) {
        size_t e = n + 1 + (p[n + 1] == '+' || p[n + 1] == '-');
        if (isdigit((unsigned char)p[e])) {
            while (isdigit((unsigned char)p[e])) e++;
            n = e;
        }
    }
    return n;
}

/* The first `len` characters of p, a decimal prefix, as a number of its
** type; false when the value is not finite in that type.  Converted from a
** copy that ends with the prefix, so the library's own wider syntax
** (hexadecimal floats, an exponent the caller cut off) cannot read on. */
static bool convertPrefix(const char* p, size_t len, bool integer, void* out)
{
    char small[64];
    char* copy = len < sizeof small ? small : (char*)malloc(len + 1);
    if (!copy)
        dkernel_error("Out of memory");
    memcpy(copy, p, len);
    copy[len] = '\0';
    bool ok;
    if (integer) {
        errno = 0;
        long v = strtol(copy, nullptr, 10);
        ok = errno != ERANGE && v >= INT_MIN && v <= INT_MAX;
        if (ok)
            *(int*)out = (int)v;
    } else {
        /* too large for a float reads as infinity: unreadable too */
        float v = strtof(copy, nullptr);
        ok = isfinite(v);
        if (ok)
            *(float*)out = v;
    }
    if (copy != small)
        free(copy);
    return ok;
}

bool script_readNumber(const char* text, int type, void* out, const char** end)
{
    const char* p = text;
    while (isspace((unsigned char)*p))
        p++;
    bool integer = type == DK_KEY_INT;
    size_t len = decimalPrefix(p, integer);
    if (len == 0 || !convertPrefix(p, len, integer, out))
        return false;
    if (end)
        *end = p + len;
    return true;
}

/* True when only blanks are left: an optional field is absent. */
static bool blankRest(const char* p)
{
    while (isspace((unsigned char)*p))
        p++;
    return *p == '\0';
}

/* ---------------------------------------------------------------------- */
/* name lookups                                                           */

int getCodeByName(const char* name, const NameCode* table, int count)
{
    for (int i = 0; i < count; i++)
        if (strcasecmp(name, table[i].name) == 0)
            return table[i].code;
    return -1;
}

int getBlendCodeByName(const char* name)
{
    return getCodeByName(name, blendFunc, (int)(sizeof blendFunc / sizeof blendFunc[0]));
}

int getAlphaCodeByName(const char* name)
{
    return getCodeByName(name, alphaFunc, (int)(sizeof alphaFunc / sizeof alphaFunc[0]));
}

int getRenderModeByName(const char* name)
{
    return getCodeByName(name, renderMode, (int)(sizeof renderMode / sizeof renderMode[0]));
}

/* Edit distance without regard to case, given up past `limit`; swapping
** two neighbouring letters ("strat") counts as one edit, as typing makes it. */
static int nameDistance(const char* a, const char* b, int limit)
{
    int n = (int)strlen(a), m = (int)strlen(b);
    if (n > 64 || m > 64 || abs(n - m) > limit)
        return limit + 1;
    int rows[3][65];   /* the rows of i - 2, i - 1 and i, by i modulo 3 */
    for (int j = 0; j <= m; j++)
        rows[0][j] = j;
    for (int i = 1; i <= n; i++) {
        int* row = rows[i % 3];
        const int* up = rows[(i - 1) % 3];
        const int* up2 = rows[(i + 1) % 3];
        row[0] = i;
        for (int j = 1; j <= m; j++) {
            int ca = tolower((unsigned char)a[i - 1]), cb = tolower((unsigned char)b[j - 1]);
            int best = up[j - 1] + (ca != cb);
            if (up[j] + 1 < best) best = up[j] + 1;
            if (row[j - 1] + 1 < best) best = row[j - 1] + 1;
            if (i > 1 && j > 1 && ca == tolower((unsigned char)b[j - 2]) &&
                tolower((unsigned char)a[i - 2]) == cb && up2[j - 2] + 1 < best)
                best = up2[j - 2] + 1;
            row[j] = best;
        }
    }
    return rows[n % 3][m];
}

const char* script_closestName(const char* word, const void* table, size_t stride, int count)
{
    /* a third of the word may be wrong, at least one letter, at most three */
    int limit = (int)strlen(word) / 3;
    if (limit < 1) limit = 1;
    if (limit > 3) limit = 3;
    const char* best = nullptr;
    int bestDistance = limit + 1;
    for (int i = 0; i < count; i++) {
        const char* name = *(const char* const*)((const char*)table + (size_t)i * stride);
        int d = nameDistance(word, name, limit);
        if (d < bestDistance) {
            bestDistance = d;
            best = name;
        }
    }
    return best;
}

void script_nameHint(char* out, size_t size, const char* word, const void* table, size_t stride,
                     int count)
{
    const char* near = *word ? script_closestName(word, table, stride, count) : nullptr;
    if (!*word)
        snprintf(out, size, "%s", "");
    else if (near)
        snprintf(out, size, " '%s', did you mean '%s'?", word, near);
    else
        snprintf(out, size, " '%s'", word);
}

void script_renderModeHint(char* out, size_t size, const char* word)
{
    script_nameHint(out, size, word, renderMode, sizeof renderMode[0],
                    (int)(sizeof renderMode / sizeof renderMode[0]));
}

int getSectionByName(const char* name)
{
    for (int i = 0; i < DK_SECTION_TYPES; i++)
        if (strcasecmp(name, sectionFunction[i].name) == 0)
            return i;
    return -1;
}

/* ---------------------------------------------------------------------- */
/* errors                                                                 */

void parseError(const char* message, const char* script, int line)
{
    /* a collecting run files the message under script and line itself */
    char full[2048];
    snprintf(full, sizeof full, "%s (script '%s', line %d)", message, script, line);
    dkernel_raise(full, message);
}

/* ---------------------------------------------------------------------- */
/* finding scripts                                                        */

int script_foundCount = 0;

/* Files that editors leave beside a script: hidden files (swap files such
** as .demo.lum.swp among them) and backups.  Parsing one would add its
** sections a second time, or an outdated copy of them. */
static bool isEditorLeftover(const char* name)
{
    static const char* const endings[] = { "~", ".bak", ".swp", ".orig" };
    if (name[0] == '.')
        return true;
    size_t n = strlen(name);
    for (const char* ending : endings) {
        size_t e = strlen(ending);
        if (n >= e && strcasecmp(name + n - e, ending) == 0)
            return true;
    }
    return false;
}

/* Discovery warnings are printed once per path, however often the folder
** is searched in one process. */
static void discoveryWarning(const char* path, const char* text)
{
    static char** warned = nullptr;
    static int count = 0;
    for (int i = 0; i < count; i++)
        if (strcmp(warned[i], path) == 0)
            return;
    char** grown = (char**)realloc(warned, (count + 1) * sizeof *warned);
    if (grown) {
        warned = grown;
        warned[count] = copyText(path);
        count++;
    }
    if (dkernel_collecting())
        dkernel_report(path, 0, 1, "%s", text);
    else
        fprintf(stderr, "Warning: %s: '%s'\n", text, path);
}

/* The folders being listed, innermost first.  A symbolic link back to an
** ancestor would otherwise make the search revisit the same tree until the
** path limit, once per link, which grows exponentially with two links. */
struct FolderVisit {
    PathId             id;
    const FolderVisit* parent;
};

static bool searchFolder(const char* folder, const FolderVisit* parent);

/* The scripts of an open folder and of the folders in it. */
static void searchListing(DIR* dir, const char* folder, const FolderVisit* parent)
{
    FolderVisit self = { { 0, 0 }, parent };
    if (path_folderId(folder, &self.id)) {
        for (const FolderVisit* v = parent; v; v = v->parent)
            if (v->id.volume == self.id.volume && v->id.file == self.id.file)
                return;
    }

    struct dirent* entry;
    while ((entry = readdir(dir)) != nullptr) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
            continue;

        bool script = strstr(name, ".lum") != nullptr;
        char path[DK_MAX_PATH];
        int len = snprintf(path, sizeof path, "%s/%s", folder, name);
        if (len < 0 || len >= (int)sizeof path) {
            /* Paths are limited to 255 characters.  A script we cannot name
            ** must not be dropped quietly, so that is fatal; a folder that is
            ** too deep is skipped with a warning, a plain file silently. */
            bool isFolder = path_isFolderIn(folder, name);
            if (script && !isFolder) {
                if (!dkernel_collecting())
                    dkernel_error("Script path too long '%s/%s'", folder, name);
                dkernel_report(nullptr, 0, 0, "Script path too long '%s/%s'", folder, name);
            }
            if (isFolder)
                fprintf(stderr, "Warning: path too long, folder not searched '%s/%s'\n",
                        folder, name);
            continue;
        }

        /* scripts inside a sub-folder come before the entry itself; a folder
        ** whose name looks like a script holds scripts but is not one */
        if (searchFolder(path, &self) || !script)
            continue;
        if (isEditorLeftover(name)) {
            discoveryWarning(path, "editor leftover, not read as a script");
            continue;
        }
        script_foundCount++;
        dkernel_guard(path, 0, [&path] { loadScriptFile(path); });
    }
}

/* Returns true when `folder` is a folder (listed or already on the path). */
static bool searchFolder(const char* folder, const FolderVisit* parent)
{
    DIR* dir = opendir(folder);
    if (!dir)
        return false;
    /* a live reload goes on after a script error: the listing goes with it */
    try {
        searchListing(dir, folder, parent);
    } catch (...) {
        closedir(dir);
        throw;
    }
    closedir(dir);
    return true;
}

void recurseDirectories(const char* folder)
{
    searchFolder(folder, nullptr);
}

/* ---------------------------------------------------------------------- */
/* reading lines and splitting them                                       */

char* my_fgets(char* buffer, int size, FILE* file)
{
    /* room for at least one character, or the caller would loop forever */
    if (size < 2)
        return nullptr;
    int n = 0;
    while (n < size - 1) {
        int c = getc(file);
        if (c == EOF)
            break;
        buffer[n++] = (char)c;
        if (c == '\n')
            break;
        if (c == '\r') {
            /* CR LF, as Windows editors save, is one line end like LF */
            int next = getc(file);
            if (next == '\n' && n < size - 1)
                buffer[n++] = '\n';
            else if (next != '\n' && next != EOF)
                ungetc(next, file);
            break;
        }
    }
    if (n == 0)
        return nullptr;
    buffer[n] = '\0';
    return buffer;
}

/* `key` and `value` must each hold DK_MAX_LINE characters; lines from
** my_fgets with that size always fit. */
void getKeyValue(const char* line, char* key, char* value)
{
    const char* p = line;
    while (*p == ' ' || *p == '\t')
        p++;

    int k = 0;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') {
        if (k < DK_MAX_LINE - 1)
            key[k++] = *p;
        p++;
    }
    key[k] = '\0';

    while (*p == ' ' || *p == '\t')
        p++;

    int v = 0;
    while (*p && *p != '\n' && *p != '\r' && v < DK_MAX_LINE - 1)
        value[v++] = *p++;
    value[v] = '\0';
}

static bool isFloatSeparator(char c)
{
    return c == '{' || c == ' ' || c == ',' || c == '\t';
}

static bool isFloatChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-';
}

int getFloatVector(const char* text, float* out, int max)
{
    int count = 0;
    const char* p = text;
    for (;;) {
        while (isFloatSeparator(*p))
            p++;
        const char* run = p;
        while (isFloatChar(*p))
            p++;
        size_t len = (size_t)(p - run);
        if (len == 0)
            break;
        /* Only the run is read: "1e3" must give 1, not 1000, so the number
        ** ends where the run ends.  A run that is no finite float ("-", or
        ** more digits than a float holds) ends the list as a character that
        ** starts no number does. */
        size_t n = decimalPrefix(run, false);
        if (n > len)
            n = len;
        float v;
        if (n == 0 || !convertPrefix(run, n, false, &v))
            break;
        if (count >= max)
            dkernel_error("Script: too many floats in vector '%s'", text);
        out[count++] = v;
    }
    return count;
}

/* ---------------------------------------------------------------------- */
/* the grammar                                                            */

/* Strings the parser allocated for each global string key, so a later
** script replacing the value frees the earlier copy but never a default. */
static char* ownedKeyString[DK_SCRIPT_COMMANDS];

static void globalKey(const char* key, const char* value, const char* path, int line)
{
    int index = -1;
    for (int i = 0; i < DK_SCRIPT_COMMANDS; i++) {
        if (strcasecmp(key, scriptCommand[i].name) == 0) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        char message[DK_MAX_LINE + 128];
        script_nameHint(message, sizeof message, key, scriptCommand, sizeof scriptCommand[0],
                        DK_SCRIPT_COMMANDS);
        parseError(("Unknown variable" + std::string(message)).c_str(), path, line);
    }

    /* an unreadable number keeps the value the key had */
    const ScriptCommand* cmd = &scriptCommand[index];
    switch (cmd->type) {
    case DK_KEY_INT:
    case DK_KEY_FLOAT:
        script_readNumber(value, cmd->type, cmd->target, nullptr);
        break;
    case DK_KEY_STRING: {
        char** target = (char**)cmd->target;
        char* copy = copyText(value);
        if (*target && *target == ownedKeyString[index])
            free(*target);
        *target = copy;
        ownedKeyString[index] = copy;
        break;
    }
    default:
        parseError("Unknown variable type", path, line);
    }
}

static int sectionKeyword(const char* key)
{
    for (int i = 0; i < DK_SECTION_COMMANDS; i++)
        if (strcasecmp(key, scriptSectionCommand[i]) == 0)
            return i;
    /* short forms by first letter, e.g. fSpeed, sTexture, cPath, mBeat */
    switch (key[0]) {
    case 'f': return SCMD_PARAM;
    case 's': return SCMD_STRING;
    case 'c': return SCMD_SPLINE;
    case 'm': return SCMD_MODIFY;
    default:  return -1;
    }
}

/* Remembers the line that gave a section `count` items from `first` on. */
static void noteSource(Section* s, int kind, int first, int count, const char* key,
                       const char* value, int line)
{
    if (count <= 0)
        return;
    SectionSource* grown =
        (SectionSource*)realloc(s->sources, (size_t)(s->source_count + 1) * sizeof *grown);
    std::string text = *value ? std::string(key) + " " + value : std::string(key);
    if (!grown)
        dkernel_error("Out of memory");
    s->sources = grown;
    s->sources[s->source_count++] = { copyText(text.c_str()), line, kind, first, count, 0 };
}

void script_freeSources(Section* s)
{
    for (int i = 0; i < s->source_count; i++)
        free(s->sources[i].text);
    free(s->sources);
    s->sources = nullptr;
    s->source_count = 0;
}

static void sectionKey(Section* s, const char* key, const char* value, const char* path, int line)
{
    /* word buffers as long as the whole value, so no scan can overflow */
    char word1[DK_MAX_LINE];
    char word2[DK_MAX_LINE];

    switch (sectionKeyword(key)) {
    case SCMD_START: {
        float v;
        if (!script_readNumber(value, DK_KEY_FLOAT, &v, nullptr) || v < 0.0f)
            parseError("Invalid start", path, line);
        s->start = v;
        break;
    }
    case SCMD_END: {
        float v;
        if (!script_readNumber(value, DK_KEY_FLOAT, &v, nullptr))
            parseError("Invalid end", path, line);
        s->end = v;
        s->duration = s->end - s->start;
        if (!(s->duration > 0.0f)) {
            char message[128];
            snprintf(message, sizeof message, "Invalid duration: end %g is not after start %g",
                     (double)s->end, (double)s->start);
            parseError(message, path, line);
        }
        break;
    }
    case SCMD_LAYER:
        if (!script_readNumber(value, DK_KEY_INT, &s->layer, nullptr))
            parseError("Invalid layer", path, line);
        break;
    case SCMD_BLEND: {
        if (sscanf(value, "%255s %255s", word1, word2) != 2)
            parseError("Invalid blend", path, line);
        int src = getBlendCodeByName(word1);
        int dst = getBlendCodeByName(word2);
        if (src < 0 || dst < 0)
            parseError("Invalid blend factor", path, line);
        s->blend_src = src;
        s->blend_dst = dst;
        s->blend_on = 1;
        break;
    }
    case SCMD_ALPHA: {
        /* a second reference that is there but unreadable is an error, not
        ** a missing one */
        const char* rest = value;
        int used = 0;
        float ref1, ref2;
        if (sscanf(value, "%255s%n", word1, &used) != 1 ||
            !script_readNumber(value + used, DK_KEY_FLOAT, &ref1, &rest))
            parseError("Invalid alpha", path, line);
        bool two = !blankRest(rest);
        if (two && !script_readNumber(rest, DK_KEY_FLOAT, &ref2, nullptr))
            parseError("Invalid alpha", path, line);
        int func = getAlphaCodeByName(word1);
        if (func < 0)
            parseError("Invalid alpha function", path, line);
        s->alpha_func = func;
        s->alpha_ref_start = ref1;
        s->alpha_ref_end = two ? ref2 : ref1;
        s->alpha_on = 1;
        break;
    }
    case SCMD_PARAM: {
        if (s->param_count >= DK_MAX_PARAMS)
            parseError("Too many params", path, line);
        /* only the free slots may be filled: a line that would go past 32
        ** stops with the too-many-floats error instead of overflowing */
        int first = s->param_count;
        s->param_count += getFloatVector(value, s->params + s->param_count,
                                         DK_MAX_PARAMS - s->param_count);
        noteSource(s, DK_SOURCE_PARAM, first, s->param_count - first, key, value, line);
        break;
    }
    case SCMD_STRING:
        if (s->string_count >= DK_MAX_STRINGS)
            parseError("Too many strings", path, line);
        s->strings[s->string_count] = copyText(value);
        path_fromScript(s->strings[s->string_count++]);
        noteSource(s, DK_SOURCE_STRING, s->string_count - 1, 1, key, value, line);
        break;
    case SCMD_SPLINE: {
        if (s->spline_count >= DK_MAX_SPLINES)
            parseError("Too many splines", path, line);
        /* without a duration the section's is taken; one that is given
        ** must read */
        int used = 0;
        float length = s->duration;
        if (sscanf(value, "%255s%n", word1, &used) != 1 ||
            (!blankRest(value + used) &&
             !script_readNumber(value + used, DK_KEY_FLOAT, &length, nullptr)))
            parseError("Invalid spline", path, line);
        path_fromScript(word1);
        s->spline_files[s->spline_count] = copyText(word1);
        s->spline_durations[s->spline_count] = length;
        s->spline_count++;
        noteSource(s, DK_SOURCE_SPLINE, s->spline_count - 1, 1, key, value, line);
        break;
    }
    case SCMD_MODIFY: {
        if (s->modifier_count >= DK_MAX_MODIFIERS)
            parseError("Too many modifiers", path, line);
        Modifier m;
        const char* rest = value;
        if (!script_readNumber(rest, DK_KEY_INT, &m.spline, &rest) ||
            !script_readNumber(rest, DK_KEY_INT, &m.channel, &rest) ||
            sscanf(rest, "%255s", word1) != 1)
            parseError("Invalid modifier", path, line);
        m.kind = strcmp(word1, "BEAT") == 0 ? 1 : 0;
        s->modifiers[s->modifier_count++] = m;
        noteSource(s, DK_SOURCE_MODIFIER, s->modifier_count - 1, 1, key, value, line);
        break;
    }
    default:
        parseError("Unknown section variable", path, line);
    }
}

/* One copy of each script's path for all its sections, kept for the life
** of the process: however often live reload reads the demo again, and
** whichever records it keeps, the path costs no more. */
static const char* scriptName(const char* path)
{
    /* never destroyed: sections hold these names until the process ends */
    static std::vector<const char*>* names = new std::vector<const char*>();
    for (const char* name : *names)
        if (strcmp(name, path) == 0)
            return name;
    names->push_back(copyText(path));
    return names->back();
}

/* The new section goes on section_list even when its type is unknown, so
** that a checking run can go on reading its keys into it. */
static Section* sectionHead(const char* line, const char* path, int lineNumber, std::string* named)
{
    /* the name is the first word after "[" without its last character */
    char name[DK_MAX_LINE];
    name[0] = '\0';
    if (sscanf(line + 1, "%255s", name) == 1) {
        size_t n = strlen(name);
        name[n - 1] = '\0';
    }

    Section* s = (Section*)calloc(1, sizeof(Section));
    if (!s)
        dkernel_error("Out of memory");
    s->next = demoSystem.section_list;
    demoSystem.section_list = s;
    s->script = scriptName(path);
    s->line = lineNumber;
    s->type = getSectionByName(name);
    *named = name;
    return s;
}

static void parseLine(const char* buffer, const char* path, int line, Section** current)
{
    char key[DK_MAX_LINE];
    char value[DK_MAX_LINE];
    std::string unknown;
    switch (buffer[0]) {
    case ';':
    case '\n':
    case '\r':
        break;
    case '[':
        *current = sectionHead(buffer, path, line, &unknown);
        if ((*current)->type < 0) {
            char message[DK_MAX_LINE + 128];
            script_nameHint(message, sizeof message, unknown.c_str(), sectionFunction,
                            sizeof sectionFunction[0], DK_SECTION_TYPES);
            parseError(("Unknown section" + std::string(message)).c_str(), path, line);
        }
        break;
    default:
        getKeyValue(buffer, key, value);
        if (*current)
            sectionKey(*current, key, value, path, line);
        else
            globalKey(key, value, path, line);
    }
}

void loadScriptStream(FILE* file, const char* path)
{
    char buffer[DK_MAX_LINE];
    Section* current = nullptr;   /* a section ends with its script */

    /* a checking run files a line's error and goes on with the next line */
    for (int line = 1; my_fgets(buffer, sizeof buffer, file); line++)
        dkernel_guard(path, line, [&] { parseLine(buffer, path, line, &current); });
}

void loadScriptFile(const char* path)
{
    /* Only regular files are scripts: a pipe named like one would block the
    ** start forever and a folder reads as nothing, so both count as a script
    ** that cannot be opened (the pipe is opened without waiting for it). */
    bool plain = false;
    int fd = path_openPlain(path, &plain);
    if (fd >= 0 && !plain) {
        close(fd);
        fd = -1;
    }
    FILE* file = fd >= 0 ? fdopen(fd, "r") : nullptr;
    if (!file) {
        if (fd >= 0)
            close(fd);
        dkernel_error("Error opening script '%s'", path);
    }
    if (kernelHooks.fileUsed)
        kernelHooks.fileUsed(nullptr, path);
    /* a run that goes on after an error (live reload) must not keep it open */
    try {
        loadScriptStream(file, path);
    } catch (...) {
        fclose(file);
        throw;
    }
    fclose(file);
}
