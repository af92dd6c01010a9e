#include "graphics/PrintJob.h"

#include "core/FileManager.h"

#include <cups/cups.h>
#include <dlfcn.h>

#include <cerrno>
#include <cstring>

namespace kit {

namespace {

// The print system's client library is opened when the program first talks
// to it, not at every start: with the libraries it needs (TLS, Kerberos,
// service discovery) it costs a start about a third of what all the
// others do, and most runs never print to a printer.
#define KIT_CUPS_FUNCTIONS(X)                                                                                          \
    X(cupsSetServer) X(cupsServer) X(cupsEncryption) X(cupsLastErrorString) X(cupsUser) X(cupsSendRequest)             \
    X(cupsWriteRequestData) X(cupsGetResponse) X(cupsGetDests2) X(cupsGetDest) X(cupsFreeDests) X(httpConnect2)        \
    X(httpClose) X(httpAssembleURIf) X(ippPort) X(ippNewRequest) X(ippAddString) X(ippAddInteger) X(ippDelete)        \
    X(ippGetStatusCode) X(ippFindAttribute) X(ippGetInteger)

struct Cups {
#define KIT_CUPS_POINTER(name) decltype(&::name) name = nullptr;
    KIT_CUPS_FUNCTIONS(KIT_CUPS_POINTER)
#undef KIT_CUPS_POINTER
    // Why the library cannot be used; empty when it can.
    std::string error;
};

Cups load()
{
    Cups c;
    void* handle = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        c.error = std::string("the print system's library cannot be loaded: ") + (why ? why : "libcups.so.2");
        return c;
    }
#define KIT_CUPS_LOAD(name)                                                                                            \
    c.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                                              \
    if (!c.name && c.error.empty())                                                                                    \
        c.error = "the print system's library has no " #name;
    KIT_CUPS_FUNCTIONS(KIT_CUPS_LOAD)
#undef KIT_CUPS_LOAD
    // The library stays: what it set up is used until the program ends.
    return c;
}

// The library is the process's, loaded once, as its linked libraries are.
const Cups& cupsLibrary()
{
    static const Cups library = load();
    return library;
}

struct Connection {
    const Cups& cups;
    http_t* http = nullptr;
    ~Connection()
    {
        if (http)
            cups.httpClose(http);
    }
};

bool connect(Connection& c, std::string& error)
{
    const Cups& cups = c.cups;
    // Read $CUPS_SERVER and the client configuration afresh.
    cups.cupsSetServer(nullptr);
    const char* server = cups.cupsServer();
    c.http = cups.httpConnect2(server, cups.ippPort(), nullptr, AF_UNSPEC, cups.cupsEncryption(), 1, 10000, nullptr);
    if (!c.http) {
        error = std::string("cannot reach the print system at ") + (server ? server : "?") + ": " +
                cups.cupsLastErrorString();
        return false;
    }
    return true;
}

} // namespace

PrintResult PrintJob::sendToPrinter(std::string_view postscript, const std::string& destinationName, int copies,
                                    const std::string& title)
{
    PrintResult result;
    if (postscript.empty()) {
        result.error = "there is nothing to print";
        return result;
    }
    if (copies < 1 || copies > 9999) {
        result.error = "the number of copies must be between 1 and 9999";
        return result;
    }
    const Cups& cups = cupsLibrary();
    if (!cups.error.empty()) {
        result.error = cups.error;
        return result;
    }
    std::string destination = destinationName.empty() ? defaultDestination() : destinationName;
    if (destination.empty()) {
        result.error = "no printer is set up";
        return result;
    }
    Connection c{cups};
    if (!connect(c, result.error))
        return result;

    char uri[HTTP_MAX_URI];
    cups.httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", cups.ippPort(),
                          "/printers/%s", destination.c_str());
    const std::string resource = "/printers/" + destination;
    ipp_t* request = cups.ippNewRequest(IPP_OP_PRINT_JOB);
    cups.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    cups.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cups.cupsUser());
    cups.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                      title.empty() ? "Untitled" : title.c_str());
    cups.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                      "application/postscript");
    cups.ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", copies);

    // The document follows the request in chunks.
    http_status_t status = cups.cupsSendRequest(c.http, request, resource.c_str(), CUPS_LENGTH_VARIABLE);
    constexpr std::size_t kChunk = 1 << 16;
    for (std::size_t at = 0; status == HTTP_STATUS_CONTINUE && at < postscript.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, postscript.size() - at);
        status = cups.cupsWriteRequestData(c.http, postscript.data() + at, n);
    }
    ipp_t* response = status == HTTP_STATUS_CONTINUE ? cups.cupsGetResponse(c.http, resource.c_str()) : nullptr;
    cups.ippDelete(request);
    if (!response) {
        result.error = std::string("the print system did not take the job: ") + cups.cupsLastErrorString();
        return result;
    }
    const ipp_status_t answer = cups.ippGetStatusCode(response);
    if (answer > IPP_STATUS_OK_EVENTS_COMPLETE) {
        result.error = "the printer \"" + destination + "\" refused the job: " + cups.cupsLastErrorString();
        cups.ippDelete(response);
        return result;
    }
    if (ipp_attribute_t* id = cups.ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
        result.jobId = cups.ippGetInteger(id, 0);
    cups.ippDelete(response);
    result.ok = true;
    return result;
}

PrintResult PrintJob::writeToFile(std::string_view postscript, const std::string& path)
{
    PrintResult result;
    if (path.empty()) {
        result.error = "no file to print to";
        return result;
    }
    errno = 0;
    if (!FileManager::writeFileAtomically(path, postscript)) {
        result.error = "cannot write \"" + path + "\": " + (errno ? std::strerror(errno) : "unknown error");
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<std::string> PrintJob::destinations()
{
    std::vector<std::string> names;
    const Cups& cups = cupsLibrary();
    if (!cups.error.empty())
        return names;
    cups.cupsSetServer(nullptr);
    cups_dest_t* dests = nullptr;
    const int count = cups.cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i)
        if (!dests[i].instance)
            names.emplace_back(dests[i].name);
    cups.cupsFreeDests(count, dests);
    return names;
}

std::string PrintJob::defaultDestination()
{
    const Cups& cups = cupsLibrary();
    if (!cups.error.empty())
        return {};
    cups.cupsSetServer(nullptr);
    cups_dest_t* dests = nullptr;
    const int count = cups.cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::string name;
    if (cups_dest_t* d = cups.cupsGetDest(nullptr, nullptr, count, dests))
        name = d->name;
    cups.cupsFreeDests(count, dests);
    return name;
}

} // namespace kit
