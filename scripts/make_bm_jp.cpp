// Builds resources/program/bm_jp.tsv, the delivered pinyin initials of BM_JP: one
// "character<TAB>letter" line for every Han character that GBK can encode and
// ICU's Han-Latin transliterator can read. The letter is the first letter,
// upper case, of ICU's reading (its first reading for a character with several).
//
// Run once, by hand, when the table needs rebuilding; its output is committed:
//   g++ -std=c++20 -O2 scripts/make_bm_jp.cpp -o /tmp/make_bm_jp $(pkg-config --cflags --libs icu-uc icu-i18n)
//   /tmp/make_bm_jp > resources/program/bm_jp.tsv

#include <unicode/errorcode.h>
#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/uscript.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

int main()
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *gbk = ucnv_open("GBK", &status);
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "no GBK converter: %s\n", u_errorName(status));
        return 1;
    }
    // A byte pair GBK does not assign must come back as an error, not as a substitute.
    ucnv_setToUCallBack(gbk, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::unique_ptr<icu::Transliterator> toLatin(
        icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "no Han-Latin transliterator: %s\n", u_errorName(status));
        return 1;
    }

    // Ordered by code point so that the file is stable from run to run.
    std::map<UChar32, char> letters;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char bytes[2] = {char(lead), char(trail)};
            UChar out[4];
            status = U_ZERO_ERROR;
            ucnv_resetToUnicode(gbk);
            const int32_t n = ucnv_toUChars(gbk, out, 4, bytes, 2, &status);
            if (U_FAILURE(status) || n <= 0)
                continue;
            const icu::UnicodeString character(out, n);
            if (character.countChar32() != 1)
                continue;
            const UChar32 cp = character.char32At(0);
            UErrorCode scriptStatus = U_ZERO_ERROR;
            if (uscript_getScript(cp, &scriptStatus) != USCRIPT_HAN || U_FAILURE(scriptStatus))
                continue;
            icu::UnicodeString reading(character);
            toLatin->transliterate(reading);
            if (reading == character || reading.isEmpty())
                continue;
            const UChar first = reading.charAt(0);
            char letter = 0;
            if (first >= u'a' && first <= u'z')
                letter = char(first - u'a' + 'A');
            else if (first >= u'A' && first <= u'Z')
                letter = char(first);
            if (letter)
                letters.emplace(cp, letter);
        }
    }
    ucnv_close(gbk);

    for (const auto &[cp, letter] : letters) {
        std::string utf8;
        icu::UnicodeString(cp).toUTF8String(utf8);
        std::printf("%s\t%c\n", utf8.c_str(), letter);
    }
    std::fprintf(stderr, "%zu characters\n", letters.size());
    return 0;
}
