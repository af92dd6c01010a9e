#include "core/ProcessInfo.h"

#include "core/Locale.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace kit {

namespace {

std::string& processNameStorage()
{
    static std::string name = "Scrivly";
    return name;
}

std::optional<double>& fixedTime()
{
    static std::optional<double> time;
    return time;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The password entry of the real user, copied out of getpwuid_r's buffer.
struct PasswordEntry {
    std::string name;
    std::string home;
};

std::optional<PasswordEntry> passwordEntry()
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    passwd entry{};
    passwd* found = nullptr;
    while (true) {
        int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr)
            return std::nullopt;
        return PasswordEntry{found->pw_name ? found->pw_name : "", found->pw_dir ? found->pw_dir : ""};
    }
}

} // namespace

const std::string& ProcessInfo::processName()
{
    return processNameStorage();
}

void ProcessInfo::setProcessName(const std::string& name)
{
    processNameStorage() = name;
}

std::string ProcessInfo::homeDirectory()
{
    std::string home = environment("HOME");
    if (!home.empty())
        return home;
    if (auto entry = passwordEntry(); entry && !entry->home.empty())
        return entry->home;
    return "/";
}

std::string ProcessInfo::userName()
{
    if (auto entry = passwordEntry(); entry && !entry->name.empty())
        return entry->name;
    return environment("USER");
}

std::string ProcessInfo::hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

int ProcessInfo::processIdentifier()
{
    return static_cast<int>(getpid());
}

std::string ProcessInfo::globallyUniqueString()
{
    static unsigned long counter = 0;
    auto now = std::chrono::system_clock::now().time_since_epoch();
    long long micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    std::string host = hostName();
    for (char& c : host) {
        if (c == '/' || c == ' ')
            c = '_';
    }
    return formatString("%s_%d_%llx_%lu", host.c_str(), processIdentifier(), micros, ++counter);
}

double ProcessInfo::currentTime()
{
    if (fixedTime())
        return *fixedTime();
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

void ProcessInfo::setFixedCurrentTime(std::optional<double> seconds)
{
    fixedTime() = seconds;
}

std::tm ProcessInfo::localTime(double secondsSinceEpoch)
{
    std::tm result{};
    // Out-of-range and NaN times would be undefined in the conversion to
    // time_t; they stand for the epoch instead.
    double whole = std::floor(secondsSinceEpoch);
    std::time_t seconds = 0;
    if (std::isfinite(whole) && whole > -1e15 && whole < 1e15)
        seconds = static_cast<std::time_t>(whole);
    // glibc's localtime_r reads TZ only once; tzset picks up a changed zone.
    tzset();
    if (localtime_r(&seconds, &result) == nullptr) {
        std::time_t epoch = 0;
        localtime_r(&epoch, &result);
    }
    return result;
}

std::string ProcessInfo::formatDate(double secondsSinceEpoch, const std::string& strftimeFormat)
{
    return Locale::formatTime(localTime(secondsSinceEpoch), strftimeFormat);
}

} // namespace kit
