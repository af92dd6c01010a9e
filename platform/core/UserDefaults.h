#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// The user's preferences: domains of string values. A key is looked up in
// the program's persistent domain (named after the process, "Scrivly"),
// then in the global domain shared by programs (paper type and the like),
// then in the registration domain of factory values, which is never stored.
//
// Each persistent domain is a file "<name>.defaults" in the folder
// $XDG_CONFIG_HOME/Scrivly (~/.config/Scrivly when the variable is unset or
// not absolute), one entry per line:
//
//   // comment
//   "key" = "value";
//
// with \" \\ \n \t \r and \xHH escapes inside the quotes, as in the string
// table. Reading keeps every sound line of a damaged file and skips the
// others. Changes stay in memory until synchronize() writes the changed
// domains, each file atomically.
class UserDefaults {
public:
    using Domain = std::map<std::string, std::string>;

    static constexpr const char* GlobalDomain = "GlobalDomain";

    // Made at first use for the process name and the folder above.
    static UserDefaults& standardUserDefaults();
    // Drops the shared object without writing it (tests point
    // XDG_CONFIG_HOME elsewhere and call this).
    static void resetStandardUserDefaults();

    // The folder for the defaults files, from the environment.
    static std::string defaultsFolder();

    UserDefaults(std::string applicationDomain, std::string folder);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::string& applicationDomain() const { return applicationDomain_; }
    const std::string& folder() const { return folder_; }

    // The value from the first domain that has the key, in the order above.
    std::optional<std::string> stringForKey(const std::string& key) const;
    // Sets or removes a key of the program's persistent domain.
    void setStringForKey(const std::string& value, const std::string& key);
    void removeObjectForKey(const std::string& key);

    // A domain name is a file name: not empty, no '/', no leading '.', no
    // NUL; others throw kit::Exception (InvalidArgumentException).
    Domain persistentDomainForName(const std::string& name) const;
    void setPersistentDomain(const Domain& domain, const std::string& name);
    void removePersistentDomainForName(const std::string& name);

    // Factory values; merged into the registration domain, never stored.
    void registerDefaults(const Domain& defaults);
    const Domain& registrationDomain() const { return registration_; }

    // Writes every changed domain (a removed domain's file is deleted).
    // True when everything changed was written; domains that failed stay
    // marked changed for the next call.
    bool synchronize();

    // The text form of a domain and back (reading skips unsound lines).
    static std::string stringFromDomain(const Domain& domain);
    static Domain domainFromString(std::string_view text);

private:
    struct Stored {
        Domain values;
        bool dirty = false;
        bool removed = false;
    };

    Stored& stored(const std::string& name) const;
    std::string pathForDomain(const std::string& name) const;

    std::string applicationDomain_;
    std::string folder_;
    mutable std::map<std::string, Stored> domains_; // read from disk lazily
    Domain registration_;
};

} // namespace kit
