#pragma once

// Shared between the hyphenator and the tool that builds its tables: the
// table file layout, the alphabets (class codes) and the character maps.

#include <stdint.h>

// File "<group>.hyp": "SHYP", u16 version, u16 section count, then per
// section u16 slot, u16 record language (0xFFFF: the whole group), u32
// offset, u32 byte length; all little-endian. Tables of 16-bit words are
// stored little-endian.
#define HYPH_FILE_MAGIC "SHYP"
#define HYPH_FILE_VERSION 2
#define HYPH_SHARED 0xFFFF

enum HyphSlot {
    HYPH_SLOT_FEATURES = 0,
    HYPH_SLOT_EXINDEX = 2,
    HYPH_SLOT_PRINDEX = 3,
    HYPH_SLOT_SUINDEX = 4,
    HYPH_SLOT_ROINDEX = 5,
    HYPH_SLOT_PROOT = 6,
    HYPH_SLOT_NROOT = 7,
    HYPH_SLOT_PONSETS = 8,
    HYPH_SLOT_NONSETS = 9,
    HYPH_SLOT_PRHYMES = 10,
    HYPH_SLOT_NRHYMES = 11,
    HYPH_SLOT_MUINDEX = 15,  // English: the further index beside the root index
    HYPH_SLOT_PRINDEX2 = 16, // French 2: its own prefix index
    HYPH_SLOT_NEGINDEX = 17, // the trie of the negative root rules beside them
};

// Feature bits every table uses; others are free for the rules.
#define HYPH_F_CONSONANT 0x0001
#define HYPH_F_LETTER 0x0002

// Rule words.
#define HYPH_RULE_LEN 0x001F
#define HYPH_RULE_INVERT 0x0020
#define HYPH_RULE_NEXT 0x0040      // root rules: go on with the following rule
#define HYPH_RULE_WHOLE 0x0040     // onsets and rhymes: cover the whole stretch
#define HYPH_RULE_AFTERPOINT 0x0080 // root rules: match just after the last point
#define HYPH_RULE_EXACT 0x0080     // onsets and rhymes: exact length
#define HYPH_RULE_SETS 0x7800
#define HYPH_NEG_STOP 0x8000
#define HYPH_PAT_MARK 0x8000
#define HYPH_PAT_LETTER 0x2000  // kind 1 (0x2000) or 5 (0xA000): one word
#define HYPH_PAT_DOUBLE 0x4000  // kind 2 (0x4000) or 6 (0xC000)
#define HYPH_PAT_KIND(w) ((w) >> 13)

// Maps of language numbers onto their group file and record.
const char *hyph_group_name(int language);
int hyph_record_language(int language);
uint16_t hyph_rule_set(int language);

// Lower-case letters of the language in class-code order (entry i is code
// i + 1; 0 marks an unused code); *count gets the number of entries.
const uint32_t *hyph_alphabet(int language, int *count);
// Whether the language has a character map over the documents' set.
int hyph_has_map(int language);
// The character of the language's map for a document byte (0 = none).
uint32_t hyph_doc_char(int language, unsigned char c);
// Lower case of a letter of any of the alphabets.
uint32_t hyph_lower(uint32_t ch);
// Whether a lower-case letter is a vowel.
int hyph_is_vowel(uint32_t ch);

// Forgets every loaded table so that the next selection reads the files
// again (for the table builder, which rewrites them).
void hyph_forget(void);

// Whether a table that cannot be read is reported on standard error (on
// until turned off). HyphLastError says why either way; the fuzz target,
// which feeds a broken table thousands of times a second, turns it off.
void hyph_set_warnings(int on);

// Letters of the outermost suffix and prefix the last word stripped (0 when
// none), for the table builder that weighs its affix entries.
void hyph_last_affixes(int *suffixLetters, int *prefixLetters);
