#pragma once

// RTF as word processors write it, made up on the spot: a font table, a
// colour table, a style sheet and an information group, then paragraphs of
// words with bold and italic groups, accented letters as hexadecimal
// characters, escaped braces, tabs, special characters and destinations
// that readers skip.

#include <cstddef>
#include <random>
#include <string>

namespace rtf_bench {

inline std::string makeDocument(std::size_t bytes, unsigned seed = 1)
{
    static const char* const words[] = {
        "the", "layout", "of", "a", "page", "flows", "through", "columns", "and", "frames", "while", "styles",
        "keep", "paragraphs", "consistent", "across", "documents", "written", "by", "many", "hands", "over",
        "years", "with", "footnotes", "tables", "headers", "numbers", "indentation", "spacing",
    };
    std::mt19937 random(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string out =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times-Roman;}{\\f1\\fswiss Helvetica;}"
        "{\\f2\\fmodern Courier;}{\\f3\\ftech Symbol;}}\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n"
        "{\\stylesheet{\\s1\\qc\\sb240\\sa120\\b\\f1\\fs32 Heading;}{\\s2\\ql\\sa120\\fi360\\f0\\fs24 Body;}"
        "{\\s3\\li720\\ri720\\i\\f0\\fs22 Quote;}}\n"
        "{\\info{\\title Benchmark document}{\\author Scrivly}{\\creatim\\yr2024\\mo5\\dy17\\hr9\\min30}}\n"
        "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\\deftab720\n"
        "{\\*\\zynunits2}\n";
    out.reserve(bytes + 4096);
    while (out.size() < bytes) {
        const std::size_t kind = pick(10);
        if (kind == 0)
            out += "\\pard\\plain\\s1\\qc\\sb240\\sa120\\b\\f1\\fs32 ";
        else if (kind < 8)
            out += "\\pard\\plain\\s2\\ql\\sa120\\fi360\\f0\\fs24 ";
        else
            out += "\\pard\\plain\\s3\\li720\\ri720\\tx1440\\tqc\\tx4320\\i\\f0\\fs22 ";
        const std::size_t count = 20 + pick(60);
        for (std::size_t w = 0; w < count; ++w) {
            if (w)
                out += ' ';
            switch (pick(40)) {
            case 0: out += "{\\b "; out += words[pick(std::size(words))]; out += '}'; break;
            case 1: out += "{\\i "; out += words[pick(std::size(words))]; out += '}'; break;
            case 2: out += "caf\\'e9"; break;
            case 3: out += "na\\'efve r\\'e9sum\\'e9"; break;
            case 4: out += "\\tab"; break;
            case 5: out += "\\{braced\\}"; break;
            case 6: out += "\\emdash"; break;
            case 7: out += "{\\*\\bkmkstart mark}"; break;
            case 8: out += "{\\ul\\cf2 underlined red}"; break;
            case 9: out += "10\\~km"; break;
            default: out += words[pick(std::size(words))]; break;
            }
        }
        out += ".\\par\n";
    }
    out += "}\n";
    return out;
}

} // namespace rtf_bench
