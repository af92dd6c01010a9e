#include "graphics/PrintJob.h"

#include "core/FileManager.h"

#include <cups/cups.h>

#include <cerrno>
#include <cstring>

namespace kit {

namespace {

struct Connection {
    http_t* http = nullptr;
    ~Connection()
    {
        if (http)
            httpClose(http);
    }
};

bool connect(Connection& c, std::string& error)
{
    // Read $CUPS_SERVER and the client configuration afresh.
    cupsSetServer(nullptr);
    const char* server = cupsServer();
    c.http = httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 10000, nullptr);
    if (!c.http) {
        error = std::string("cannot reach the print system at ") + (server ? server : "?") + ": " +
                cupsLastErrorString();
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
    std::string destination = destinationName.empty() ? defaultDestination() : destinationName;
    if (destination.empty()) {
        result.error = "no printer is set up";
        return result;
    }
    Connection c;
    if (!connect(c, result.error))
        return result;

    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     destination.c_str());
    const std::string resource = "/printers/" + destination;
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.empty() ? "Untitled" : title.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, "application/postscript");
    ippAddInteger(request, IPP_TAG_JOB, IPP_TAG_INTEGER, "copies", copies);

    // The document follows the request in chunks.
    http_status_t status = cupsSendRequest(c.http, request, resource.c_str(), CUPS_LENGTH_VARIABLE);
    constexpr std::size_t kChunk = 1 << 16;
    for (std::size_t at = 0; status == HTTP_STATUS_CONTINUE && at < postscript.size(); at += kChunk) {
        const std::size_t n = std::min(kChunk, postscript.size() - at);
        status = cupsWriteRequestData(c.http, postscript.data() + at, n);
    }
    ipp_t* response = status == HTTP_STATUS_CONTINUE ? cupsGetResponse(c.http, resource.c_str()) : nullptr;
    ippDelete(request);
    if (!response) {
        result.error = std::string("the print system did not take the job: ") + cupsLastErrorString();
        return result;
    }
    const ipp_status_t answer = ippGetStatusCode(response);
    if (answer > IPP_STATUS_OK_EVENTS_COMPLETE) {
        result.error = "the printer \"" + destination + "\" refused the job: " + cupsLastErrorString();
        ippDelete(response);
        return result;
    }
    if (ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
        result.jobId = ippGetInteger(id, 0);
    ippDelete(response);
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
    cupsSetServer(nullptr);
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i)
        if (!dests[i].instance)
            names.emplace_back(dests[i].name);
    cupsFreeDests(count, dests);
    return names;
}

std::string PrintJob::defaultDestination()
{
    cupsSetServer(nullptr);
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::string name;
    if (cups_dest_t* d = cupsGetDest(nullptr, nullptr, count, dests))
        name = d->name;
    cupsFreeDests(count, dests);
    return name;
}

} // namespace kit
