#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace kit {

// What the program knows about its own process and user.
class ProcessInfo {
public:
    // "Scrivly" unless set otherwise; names the user-defaults domain.
    static const std::string& processName();
    static void setProcessName(const std::string& name);

    // $HOME when set and not empty, else the password database's entry for
    // the real user, else "/".
    static std::string homeDirectory();
    // The login name from the password database, else $USER, else "".
    static std::string userName();
    static std::string hostName();
    static int processIdentifier();

    // A string no other run on this host makes: host, process id, time and
    // a counter. Safe in a file name.
    static std::string globallyUniqueString();

    // Seconds since the epoch. Tests fix the clock with setFixedCurrentTime
    // and free it again with nullopt.
    static double currentTime();
    static void setFixedCurrentTime(std::optional<double> seconds);

    // The time in the local time zone, as strftime formats it in the "C"
    // locale whatever the process locale is.
    static std::string formatDate(double secondsSinceEpoch, const std::string& strftimeFormat);
    // The broken-down local time of a moment.
    static std::tm localTime(double secondsSinceEpoch);
};

} // namespace kit
