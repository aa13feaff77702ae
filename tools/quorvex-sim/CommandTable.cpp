#include "tools/quorvex-sim/CommandTable.h"

#include <sstream>

#include "tools/quorvex-sim/SimServer.h"
#include "tools/quorvex-sim/SimSession.h"

namespace sim {
namespace {

std::vector<unsigned char> Status0() { return TextPayload("0"); }

std::vector<unsigned char> List(SimSession& session, bool types) {
    std::string reply = "0 ";
    bool first = true;
    for (const SimObject& object : session.Server().Options().objects) {
        if (!first) reply += ' ';
        reply += types ? object.dataType : object.name;
        first = false;
    }
    return TextPayload(reply);
}

std::vector<unsigned char> NextPort(SimSession& session, const std::string&) {
    const int port = session.OnQueryPort() ? session.Server().OpenPortForOneClient() : session.Server().FreePort();
    return TextPayload(port < 0 ? "-1" : "0 " + std::to_string(port));
}

// "-CreateStream address port type": the stream connects before the reply
// goes out, as the client listens before it asks.
std::vector<unsigned char> CreateStream(SimSession& session, const std::string& arguments) {
    session.Streams().Create(arguments);
    return Status0();
}

// The client announces every open of an object but only its last close, so
// an open object stays open until the one "-CloseStream".
std::vector<unsigned char> OpenStream(SimSession& session, const std::string& arguments) {
    session.Streams().Open(arguments);
    return Status0();
}

std::vector<unsigned char> CloseStream(SimSession& session, const std::string& arguments) {
    session.Streams().Close(arguments);
    return Status0();
}

std::vector<unsigned char> RingBuffer(SimSession&, const std::string&) {
    std::vector<unsigned char> bytes(64);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

// "-RequestFeature name number": the name and the number back, after status 0.
std::vector<unsigned char> Feature(SimSession&, const std::string& arguments) {
    return TextPayload("0 " + arguments);
}

}  // namespace

std::vector<unsigned char> TextPayload(const std::string& text) {
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

const std::map<std::string, CommandHandler>& CommandTable() {
    static const std::map<std::string, CommandHandler> table = {
        {"-RequestApplicationName",
         [](SimSession& s, const std::string&) { return TextPayload("0 " + s.Server().Options().applicationName); }},
        {"-GetNextAvailablePortNumber", NextPort},
        {"-GetTimestamp",
         [](SimSession& s, const std::string&) { return TextPayload("0 " + std::to_string(s.Server().Timestamp())); }},
        {"-RequestQuorvexObjects", [](SimSession& s, const std::string&) { return List(s, false); }},
        {"-RequestQuorvexTypes", [](SimSession& s, const std::string&) { return List(s, true); }},
        {"-SetComputerName", [](SimSession&, const std::string&) { return Status0(); }},
        {"-SetApplicationName", [](SimSession&, const std::string&) { return Status0(); }},
        {"-LogMessage", [](SimSession&, const std::string&) { return Status0(); }},
        {"-CreateStream", CreateStream},
        {"-OpenStream", OpenStream},
        {"-CloseStream", CloseStream},
        {"-RequestRingBufferSize", [](SimSession&, const std::string&) { return TextPayload("0 512 4"); }},
        {"-RequestRingBuffer", RingBuffer},
        {"-RequestSamplingFrequency", [](SimSession&, const std::string&) { return TextPayload("0 32000"); }},
        {"-RequestADRange", [](SimSession&, const std::string&) { return TextPayload("0 -32768 32767"); }},
        {"-RequestFeature", Feature},
    };
    return table;
}

}  // namespace sim
