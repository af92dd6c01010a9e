#include "FuzzInput.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include <unistd.h>

namespace fuzz {

float Input::real()
{
    static const float table[] = {0.0f,
                                  1.0f,
                                  -1.0f,
                                  0.5f,
                                  2.0f,
                                  10.0f,
                                  72.0f,
                                  100.0f,
                                  -100.0f,
                                  360.0f,
                                  1e-7f,
                                  2e-7f,
                                  -2e-7f,
                                  1e-12f,
                                  1e6f,
                                  1e10f,
                                  -1e10f,
                                  3e38f,
                                  -3e38f,
                                  std::numeric_limits<float>::denorm_min(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  std::numeric_limits<float>::quiet_NaN()};
    std::uint8_t b = byte();
    constexpr std::size_t n = sizeof table / sizeof table[0];
    if (b < 0xF0)
        return b < n ? table[b] : float(b - n) - 64.0f;
    std::uint32_t raw = 0;
    for (int i = 0; i < 4; ++i)
        raw |= std::uint32_t(byte()) << (8 * i);
    return std::bit_cast<float>(raw);
}

namespace {

struct Scratch {
    std::string path;
    Scratch()
    {
        const char* t = std::getenv("TMPDIR");
        std::string tmpl = std::string(t && *t ? t : "/tmp") + "/scrivly-fuzz-XXXXXX";
        if (!mkdtemp(tmpl.data()))
            fail("cannot make a scratch folder");
        path = tmpl;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

const std::string& scratchFolder()
{
    static Scratch scratch;
    return scratch.path;
}

bool writeFile(const std::string& path, std::string_view contents)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(contents.data(), std::streamsize(contents.size()));
    return bool(f.flush());
}

} // namespace fuzz
