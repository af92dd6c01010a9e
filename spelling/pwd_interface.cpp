// The engine's entry points: languages, status, the check's outer steps,
// user slots and the host hooks.

#include "spelling/hyph.h"
#include "spelling/pwd_charsets.h"
#include "spelling/pwd_internal.h"

#include <stdlib.h>
#include <string.h>

const PWDLanguage lang_list[PWD_LANGUAGE_COUNT] = {
    {"Eng", 0, 28, "English"},      {"Spa", 1, 53, "Spanish"},     {"Ita", 2, 53, "Italian"},
    {"Por", 3, 53, "Portuguese"},   {"Fre", 4, 53, "French1"},     {"Fr1", 4, 53, "French1"},
    {"Ger", 5, 32, "German"},       {"Dut", 6, 32, "Dutch"},       {"Bok", 7, 39, "Bokmal"},
    {"Nyn", 8, 39, "Nynorsk"},      {"Nor", 7, 39, "Bokmal"},      {"Swe", 9, 39, "Swedish"},
    {"Dan", 10, 39, "Danish"},      {"Ice", 11, 39, "Icelandic"},  {"Gre", 12, 26, "Greek"},
    {"Tur", 13, 32, "Turkish"},     {"Rus", 14, 33, "Russian"},    {"Cro", 15, 27, "Croatian"},
    {"Fin", 16, 39, "Finnish"},     {"Heb", 17, 28, "Hebrew"},     {"Swa", 18, 26, "Swahili"},
    {"Hun", 19, 36, "Hungarian"},   {"Pol", 20, 35, "Polish"},     {"Fr2", 21, 53, "French2"},
    {"Cze", 22, 39, "Czech"},       {"Ukr", 23, 34, "Ukranian"},   {"Sgr", 24, 32, "SwissGerman"},
    {"Slo", 25, 41, "Slovenian"},   {"Bel", 26, 33, "Belorussian"}, {"Cat", 27, 46, "Catalan"},
    {"Slv", 28, 43, "Slovak"},      {"Blg", 29, 30, "Bulgarian"},  {"Arb", 30, 53, "Arabic"},
    {"Rmn", 31, 31, "Romanian"},    {"Mis", 32, 53, "Miscellaneous"},
};

// As the preferences name dictionary files: "American" for English,
// "Norwegian" for both Norwegian forms, else the English language name.
const char* const dictFileNames[33] = {
    "American",  "Spanish",  "Italian",   "Portuguese", "French1",     "German",    "Dutch",
    "Norwegian", "Norwegian", "Swedish",  "Danish",     "Icelandic",   "Greek",     "Turkish",
    "Russian",   "Croatian", "Finnish",   "Hebrew",     "Swahili",     "Hungarian", "Polish",
    "French2",   "Czech",    "Ukranian",  "SwissGerman", "Slovenian",  "Belorussian", "Catalan",
    "Slovak",    "Bulgarian", "Arabic",   "Romanian",   "Miscellaneous",
};

namespace {

PWDStat statusRecord;

int defaultInit(PWDHandle) { return 0; }
int defaultKill(PWDHandle speller)
{
    for (int i = 0; i < 10; ++i) {
        PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
        PWDHandle list = sp->users[i];
        sp->users[i] = 0;
        CNSKillDict(list);
    }
    static_cast<PWDSpeller*>(CNSDeref(speller))->userCount = 0;
    return 0;
}
int defaultHook(PWDHandle) { return 0; }
long defaultPurge(void) { return 0; }
int defaultTake(const unsigned char*) { return 0; }
int defaultCancel(void) { return 0; }
int defaultCompare(const unsigned char* a, const unsigned char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<int>(*a) - static_cast<int>(*b);
}

} // namespace

int (*UserInitSpell)(PWDHandle) = defaultInit;
int (*UserKillSpell)(PWDHandle) = defaultKill;
int (*UserStartSpell)(PWDHandle) = defaultHook;
int (*UserEndSpell)(PWDHandle) = defaultHook;
long (*UserPurgeSpell)(void) = defaultPurge;
int (*UserTakeGuess)(const unsigned char*) = defaultTake;
int (*UserCancel)(void) = defaultCancel;
int (*UserIntl_strcmp)(const unsigned char*, const unsigned char*) = defaultCompare;

const PWDLanguage* check_lang(const char* code)
{
    if (!code)
        return nullptr;
    char probe[4] = {0, 0, 0, 0};
    for (int i = 0; i < 3 && code[i]; ++i)
        probe[i] = code[i];
    probe[0] = static_cast<char>(probe[0] & 0x5F);
    for (const PWDLanguage& row : lang_list)
        if (strcmp(row.code, probe) == 0)
            return &row;
    return nullptr;
}

const PWDLanguage* check_langNum(short number)
{
    for (const PWDLanguage& row : lang_list)
        if (row.number == number)
            return &row;
    return nullptr;
}

PWDStat* PWDGetStat(void)
{
    return &statusRecord;
}

void PWDSetStatus(int bits)
{
    statusRecord.status = static_cast<uint16_t>(statusRecord.status | bits);
}

int PWDStatus(void)
{
    return statusRecord.status;
}

namespace {

// Results of recent checks, per speller: running text repeats its words, and
// a word checked again answers at once. A result stands while no word list
// has changed since it was stored and the host's look-up hooks are the
// defaults (a hook of the host's may answer differently at any time).
constexpr int kResultSlots = 16384, kResultLength = 22;
struct ResultSlot {
    unsigned char length, option, result, spare;
    uint16_t status, first, last;
    unsigned char word[kResultLength];
};
struct ResultCache {
    uint32_t generation;
    ResultSlot slots[kResultSlots];
};
uint32_t listGeneration = 1;

bool resultsUsable(int length, int option)
{
    return length <= kResultLength && option >= 0 && option < 256 &&
           (!UserSpellCheck || UserSpellCheck == PWDDefaultSpellCheck) &&
           (!UserGetHyphens || UserGetHyphens == PWDDefaultGetHyphens);
}

ResultCache* resultsOf(const PWDSpeller* sp)
{
    ResultCache* cache;
    memcpy(&cache, sp->results, sizeof cache);
    return cache;
}

void setResults(PWDSpeller* sp, ResultCache* cache)
{
    memcpy(sp->results, &cache, sizeof cache);
}

ResultSlot* resultSlot(ResultCache* cache, const unsigned char* word, int length, int option)
{
    uint32_t h = 2166136261u ^ static_cast<uint32_t>(option);
    for (int i = 0; i < length; ++i)
        h = (h ^ word[i]) * 16777619u;
    return &cache->slots[(h ^ (h >> 15)) & (kResultSlots - 1)];
}

} // namespace

void PWDWordListsChanged(void)
{
    ++listGeneration;
}

void PWDForgetResults(PWDSpeller* sp)
{
    free(resultsOf(sp));
    setResults(sp, nullptr);
}

int PWDSpellCheck(PWDHandle speller, const unsigned char* first, const unsigned char* last, int option)
{
    statusRecord.status = statusRecord.first = statusRecord.last = 0;
    if (!first || !last || last < first || last - first > PWD_MAX_WORD - 1) {
        // Not looked at: the caller must not take the 0 for a misspelling.
        statusRecord.status = PWD_NOT_CHECKED;
        return 0;
    }
    PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
    if (!sp) {
        statusRecord.status = PWD_IO_ERROR;
        return 0;
    }
    int len = static_cast<int>(last - first) + 1;
    ResultSlot* slot = nullptr;
    if (resultsUsable(len, option)) {
        ResultCache* cache = resultsOf(sp);
        if (!cache) {
            cache = static_cast<ResultCache*>(calloc(1, sizeof(ResultCache)));
            setResults(static_cast<PWDSpeller*>(CNSDeref(speller)), cache);
        }
        if (cache && cache->generation != listGeneration) {
            memset(cache->slots, 0, sizeof cache->slots);
            cache->generation = listGeneration;
        }
        if (cache) {
            slot = resultSlot(cache, first, len, option);
            if (slot->length == len && slot->option == option && memcmp(slot->word, first, static_cast<size_t>(len)) == 0) {
                statusRecord.status = slot->status;
                statusRecord.first = slot->first;
                statusRecord.last = slot->last;
                return slot->result;
            }
        }
    }
    PWD = speller;
    int wasLocked = CNSHGetState(speller) & CNS_LOCKED;
    CNSLock(speller);
    if (sp->flags & PWD_IDLE)
        PWDStartSpell(speller);
    sp = PWDRecord();
    int lvl = (sp->level1 + sp->level2) % 7;
    PWDLastLvl1Cnt = lvl ? lvl : 7;
    unsigned char buf[PWD_MAX_WORD + 2];
    memcpy(buf, first, static_cast<size_t>(len)); // host2mac is the identity
    buf[len] = 0;
    PWDorigWord = buf;
    int result = sp->language == 30 ? PWDCheckArabic(buf, buf + len - 1, option)
                                    : PWDCheckToken(buf, buf + len - 1, option);
    if (!result) {
        sp = PWDRecord();
        int a = 0, b = len - 1;
        while (a <= b && (sp->classes[buf[a]] & PWDK_SEPARATOR))
            ++a;
        while (b >= a && (sp->classes[buf[b]] & PWDK_SEPARATOR))
            --b;
        statusRecord.first = static_cast<uint16_t>(a);
        statusRecord.last = static_cast<uint16_t>(b >= a ? b : a);
    }
    PWDReleaseTables();
    if (!wasLocked)
        CNSUnlock(speller);
    PWD = 0;
    // A check that could not read its tables or get memory is not kept, nor
    // one during which a list changed.
    if (slot && !(statusRecord.status & (PWD_IO_ERROR | PWD_NO_MEMORY | PWD_BAD_VERSION | PWD_NOT_CHECKED)) &&
        resultsOf(static_cast<PWDSpeller*>(CNSDeref(speller)))->generation == listGeneration) {
        slot->length = static_cast<unsigned char>(len);
        slot->option = static_cast<unsigned char>(option);
        slot->result = static_cast<unsigned char>(result);
        slot->status = statusRecord.status;
        slot->first = statusRecord.first;
        slot->last = statusRecord.last;
        memcpy(slot->word, first, static_cast<size_t>(len));
    }
    return result;
}

int PWDInstallUser(PWDHandle speller, PWDHandle list)
{
    PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
    if (!sp || !list)
        return 0;
    for (int i = 0; i < 10; ++i)
        if (!sp->users[i]) {
            sp->users[i] = list;
            ++sp->userCount;
            return 1;
        }
    return 0;
}

static int takeUser(PWDHandle speller, PWDHandle list, bool dispose)
{
    PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
    if (!sp || !list)
        return 0;
    for (int i = 0; i < 10; ++i)
        if (sp->users[i] == list) {
            sp->users[i] = 0;
            --sp->userCount;
            if (dispose)
                CNSKillDict(list);
            return 1;
        }
    return 0;
}

int PWDRemoveUser(PWDHandle speller, PWDHandle list)
{
    return takeUser(speller, list, true);
}

int PWDDetachUser(PWDHandle speller, PWDHandle list)
{
    return takeUser(speller, list, false);
}

int PWDDefaultSpellCheck(PWDHandle speller, const unsigned char* word, int length)
{
    PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
    if (!sp || !sp->userCount || !word || length <= 0 || length > PWD_MAX_WORD)
        return 0;
    unsigned char whole[PWD_MAX_WORD + 2], core[PWD_MAX_WORD + 2];
    memcpy(whole, word, static_cast<size_t>(length));
    whole[length] = 0;
    int coreLen = length - PWDonLen - PWDpostLen;
    bool clitic = (PWDonLen || PWDpostLen) && coreLen > 0;
    if (clitic) {
        memcpy(core, word + PWDonLen, static_cast<size_t>(coreLen));
        core[coreLen] = 0;
    }
    for (int i = 0; i < 10; ++i) {
        PWDHandle list = sp->users[i];
        if (!list)
            continue;
        if (CNSSearch(list, whole) >= 0 || (clitic && CNSSearch(list, core) >= 0)) {
            int flags = CNSDictFlags(list);
            statusRecord.status = static_cast<uint16_t>((flags & CNS_OPTION) ? (statusRecord.status | PWD_USER_EXACT)
                                                                     : (statusRecord.status & ~PWD_USER_EXACT));
            return (flags & CNS_REJECT_LIST) ? 2 : 1;
        }
    }
    return 0;
}

int PWDDefaultGuess(PWDHandle speller, const unsigned char* word, int length)
{
    for (int i = 0; i < 10; ++i) {
        PWDSpeller* sp = static_cast<PWDSpeller*>(CNSDeref(speller));
        PWDHandle list = sp ? sp->users[i] : 0;
        if (!list)
            continue;
        PWDHandle data = CNSDictData(list);
        long used = CNSDictUsed(list);
        int flags = CNSDictFlags(list);
        // Offering a match allocates: the strings must stay put meanwhile.
        int wasLocked = CNSHGetState(data) & CNS_LOCKED;
        CNSLock(data);
        const unsigned char* strings = static_cast<const unsigned char*>(CNSDeref(data));
        int ok = strings ? PWDExactGuess(word, length, 0, strings, used, (flags & CNS_OPTION) ? 0 : 1) : 1;
        if (!wasLocked)
            CNSUnlock(data);
        if (!ok)
            return 0;
    }
    return 1;
}

int PWDDefaultGetHyphens(PWDHandle speller, const unsigned char* word, int length, unsigned char* pairs)
{
    int language = PWDSpellerLanguage(speller);
    if (language < 0 || !word || length <= 0 || length > PWD_MAX_WORD)
        return 0;
    // The hyphenator's maps are over the documents' set.
    unsigned char converted[PWD_MAX_WORD + 1];
    for (int i = 0; i < length; ++i) {
        converted[i] = pwdMacToNeXT[word[i]];
        if (!converted[i])
            return 0;
    }
    converted[length] = 0;
    static_assert(HYPH_MAX_POINTS <= PWD_MAX_HYPHEN_POINTS, "the hook's room holds the hyphenator's points");
    return pwd_hyphenate(converted, length, pairs, language);
}

int PWDSpellerLanguage(PWDHandle speller)
{
    const PWDSpeller* sp = static_cast<const PWDSpeller*>(CNSDeref(speller));
    return sp ? sp->language : -1;
}

PWDUserSpellCheckHook UserSpellCheck = PWDDefaultSpellCheck;
PWDUserGuessHook UserGuess = PWDDefaultGuess;
PWDUserGetHyphensHook UserGetHyphens = PWDDefaultGetHyphens;

PWDUserSpellCheckHook PWDSetUserSpellCheck(PWDUserSpellCheckHook hook)
{
    PWDUserSpellCheckHook old = UserSpellCheck ? UserSpellCheck : PWDDefaultSpellCheck;
    UserSpellCheck = hook ? hook : PWDDefaultSpellCheck;
    return old;
}

PWDUserGuessHook PWDSetUserGuess(PWDUserGuessHook hook)
{
    PWDUserGuessHook old = UserGuess ? UserGuess : PWDDefaultGuess;
    UserGuess = hook ? hook : PWDDefaultGuess;
    return old;
}

PWDUserGetHyphensHook PWDSetUserGetHyphens(PWDUserGetHyphensHook hook)
{
    PWDUserGetHyphensHook old = UserGetHyphens ? UserGetHyphens : PWDDefaultGetHyphens;
    UserGetHyphens = hook ? hook : PWDDefaultGetHyphens;
    return old;
}

int CallUserSpellCheck(const unsigned char* word, int length)
{
    return (UserSpellCheck ? UserSpellCheck : PWDDefaultSpellCheck)(PWD, word, length);
}

int CallUserGuess(const unsigned char* word, int length)
{
    return (UserGuess ? UserGuess : PWDDefaultGuess)(PWD, word, length);
}

int CallUserGetHyphens(const unsigned char* word, int length, unsigned char* pairs)
{
    int n = (UserGetHyphens ? UserGetHyphens : PWDDefaultGetHyphens)(PWD, word, length, pairs);
    return n < 0 ? 0 : (n > PWD_MAX_HYPHEN_POINTS ? PWD_MAX_HYPHEN_POINTS : n);
}
