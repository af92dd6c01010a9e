#include "core/UserDefaults.h"

#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/ProcessInfo.h"
#include "core/StringTable.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace kit {

namespace {

std::unique_ptr<UserDefaults>& standardStorage()
{
    static std::unique_ptr<UserDefaults> defaults;
    return defaults;
}

void checkDomainName(const std::string& name)
{
    if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        Exception::raise(InvalidArgumentException, "not a valid defaults domain name: \"" + name + "\"");
}

bool isLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One line "key" = "value"; with an optional // comment after it.
bool parseLine(std::string_view line, std::string& key, std::string& value)
{
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < line.size() && isLineSpace(line[i]))
            ++i;
    };
    skipSpace();
    if (!detail::readQuotedString(line, i, key))
        return false;
    skipSpace();
    if (i >= line.size() || line[i++] != '=')
        return false;
    skipSpace();
    if (!detail::readQuotedString(line, i, value))
        return false;
    skipSpace();
    if (i >= line.size() || line[i++] != ';')
        return false;
    skipSpace();
    return i == line.size() || line.compare(i, 2, "//") == 0;
}

// We escape every control byte we write, so a raw one means damage.
bool hasRawControlBytes(std::string_view line)
{
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r') || byte == 0x7F)
            return true;
    }
    return false;
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    auto& defaults = standardStorage();
    if (!defaults)
        defaults = std::make_unique<UserDefaults>(ProcessInfo::processName(), defaultsFolder());
    return *defaults;
}

void UserDefaults::resetStandardUserDefaults()
{
    standardStorage().reset();
}

std::string UserDefaults::defaultsFolder()
{
    // The XDG rules say a relative XDG_CONFIG_HOME is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config && config[0] == '/' ? std::string(config)
                                                  : FileManager::stringByAppendingPathComponent(ProcessInfo::homeDirectory(), ".config");
    return FileManager::stringByAppendingPathComponent(base, "Scrivly");
}

UserDefaults::UserDefaults(std::string applicationDomain, std::string folder)
    : applicationDomain_(std::move(applicationDomain)), folder_(std::move(folder))
{
    checkDomainName(applicationDomain_);
}

std::string UserDefaults::pathForDomain(const std::string& name) const
{
    return FileManager::stringByAppendingPathComponent(folder_, name + ".defaults");
}

UserDefaults::Stored& UserDefaults::stored(const std::string& name) const
{
    checkDomainName(name);
    auto found = domains_.find(name);
    if (found != domains_.end())
        return found->second;
    Stored domain;
    if (auto text = FileManager::contentsAtPath(pathForDomain(name)))
        domain.values = domainFromString(*text);
    return domains_.emplace(name, std::move(domain)).first->second;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    const Domain* order[] = {&stored(applicationDomain_).values, &stored(GlobalDomain).values, &registration_};
    for (const Domain* values : order) {
        if (auto found = values->find(key); found != values->end())
            return found->second;
    }
    return std::nullopt;
}

void UserDefaults::setStringForKey(const std::string& value, const std::string& key)
{
    Stored& domain = stored(applicationDomain_);
    auto [position, inserted] = domain.values.try_emplace(key, value);
    if (!inserted && position->second == value)
        return;
    position->second = value;
    domain.dirty = true;
    domain.removed = false;
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    Stored& domain = stored(applicationDomain_);
    if (domain.values.erase(key) != 0)
        domain.dirty = true;
}

UserDefaults::Domain UserDefaults::persistentDomainForName(const std::string& name) const
{
    return stored(name).values;
}

void UserDefaults::setPersistentDomain(const Domain& values, const std::string& name)
{
    Stored& domain = stored(name);
    if (domain.values == values && !domain.removed)
        return;
    domain.values = values;
    domain.dirty = true;
    domain.removed = false;
}

void UserDefaults::removePersistentDomainForName(const std::string& name)
{
    Stored& domain = stored(name);
    domain.values.clear();
    domain.dirty = true;
    domain.removed = true;
}

void UserDefaults::registerDefaults(const Domain& defaults)
{
    for (const auto& [key, value] : defaults)
        registration_.insert_or_assign(key, value);
}

bool UserDefaults::synchronize()
{
    bool allWritten = true;
    for (auto& [name, domain] : domains_) {
        if (!domain.dirty)
            continue;
        std::string path = pathForDomain(name);
        bool ok;
        if (domain.removed)
            ok = ::unlink(path.c_str()) == 0 || errno == ENOENT;
        else
            ok = FileManager::createDirectoryAtPath(folder_, true, 0700)
                && FileManager::writeFileAtomically(path, stringFromDomain(domain.values));
        if (ok)
            domain.dirty = false;
        allWritten = allWritten && ok;
    }
    return allWritten;
}

std::string UserDefaults::stringFromDomain(const Domain& domain)
{
    std::string text = "// Scrivly defaults: one \"key\" = \"value\"; per line.\n";
    for (const auto& [key, value] : domain) {
        text += detail::quoteString(key);
        text += " = ";
        text += detail::quoteString(value);
        text += ";\n";
    }
    return text;
}

UserDefaults::Domain UserDefaults::domainFromString(std::string_view text)
{
    Domain domain;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;

        std::size_t first = 0;
        while (first < line.size() && isLineSpace(line[first]))
            ++first;
        if (first == line.size() || line.compare(first, 2, "//") == 0)
            continue;
        std::string key, value;
        if (!hasRawControlBytes(line) && parseLine(line, key, value))
            domain.insert_or_assign(std::move(key), std::move(value));
    }
    return domain;
}

} // namespace kit
