#include "tools/quorvex-sim/SimOptions.h"

#include <cstdlib>
#include <sstream>

namespace sim {
namespace {

bool ParseInteger(const std::string& text, std::int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return end != nullptr && *end == '\0';
}

bool ParsePort(const std::string& text, int& port) {
    if (text == "off") {
        port = -1;
        return true;
    }
    std::int64_t value = 0;
    if (!ParseInteger(text, value) || value < 0 || value > 65535) return false;
    port = static_cast<int>(value);
    return true;
}

bool ParseHex(const std::string& text, std::vector<unsigned char>& bytes) {
    if (text.size() % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long b = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0') return false;
        bytes.push_back(static_cast<unsigned char>(b));
    }
    return true;
}

bool ParseObjects(const std::string& text, std::vector<SimObject>& objects) {
    objects.clear();
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const size_t colon = item.find(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == item.size()) return false;
        objects.push_back({item.substr(0, colon), item.substr(colon + 1)});
    }
    return true;
}

// "N" for every stream, or "KIND=N" for one kind.
bool ParseStreamRate(const std::string& text, SimOptions& options) {
    const size_t equals = text.find('=');
    const std::string number = equals == std::string::npos ? text : text.substr(equals + 1);
    char* end = nullptr;
    const double rate = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || !(rate >= 0)) return false;
    if (equals == std::string::npos) {
        options.streamRate = rate;
        return true;
    }
    const std::string kind = text.substr(0, equals);
    static const char* const kKinds[] = {"SE", "ST", "TT", "CSC", "EV", "VT"};
    for (const char* k : kKinds) {
        if (kind == k) {
            options.streamRates[kind] = rate;
            return true;
        }
    }
    return false;
}

bool ParseFault(const std::string& text, SimFault& fault) {
    std::string faultText = text;
    const size_t at = faultText.find('@');
    if (at != std::string::npos) {
        fault.command = faultText.substr(at + 1);
        faultText.erase(at);
    }
    const size_t equals = faultText.find('=');
    const std::string name = faultText.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : faultText.substr(equals + 1);
    static const std::map<std::string, SimFault::Kind> kinds = {
        {"version", SimFault::Kind::Version},   {"validation", SimFault::Kind::Validation},
        {"size", SimFault::Kind::Size},         {"cut", SimFault::Kind::Cut},
        {"segments", SimFault::Kind::Segments}, {"close-at", SimFault::Kind::CloseAt},
        {"timestamp-status", SimFault::Kind::TimestampStatus},
        {"silent", SimFault::Kind::Silent},     {"announce", SimFault::Kind::Announce},
        {"raw", SimFault::Kind::Raw},           {"stream-reset", SimFault::Kind::StreamReset},
    };
    const auto kind = kinds.find(name);
    if (kind == kinds.end()) return false;
    fault.kind = kind->second;
    if (value.empty()) {
        // cut without a count cuts the frame in its middle; segments default to single bytes
        if (fault.kind == SimFault::Kind::Cut) fault.value = -1;
        else if (fault.kind == SimFault::Kind::Segments) fault.value = 1;
        else if (fault.kind != SimFault::Kind::Silent && fault.kind != SimFault::Kind::Raw) return false;
        return true;
    }
    if (!ParseInteger(value, fault.value)) return false;
    if ((fault.kind == SimFault::Kind::Segments || fault.kind == SimFault::Kind::CloseAt) && fault.value < 1) return false;
    if (fault.kind == SimFault::Kind::Silent || fault.kind == SimFault::Kind::Raw) return false;  // they take no value
    if (fault.kind == SimFault::Kind::Announce && (fault.value < 1 || fault.value > 0x7FFFFFFF)) return false;
    if (fault.kind == SimFault::Kind::StreamReset && fault.value < 0) return false;
    return true;
}

}  // namespace

std::vector<SimObject> DefaultObjects() {
    return {{"SE1", "SEScAcqEnt"},  {"SE2", "SEScAcqEnt"},  {"ST1", "STScAcqEnt"}, {"TT1", "TTScAcqEnt"},
            {"CSC1", "CscAcqEnt"}, {"CSC2", "CscAcqEnt"}, {"Events", "EventAcqEnt"}, {"VT1", "VTAcqEnt"}};
}

std::string UsageText() {
    return R"(quorvex-sim: a stand-in acquisition server for tests, demos and benchmarks.

Every message travels in the command connection's frame (version 1,
validation code A5A5A5A5, message size, payload); every command gets one reply.
The first line of output names the ports it listens on:
  quorvex-sim query-port <port|off> command-port <port|off>

Ports and address
  --query-port N|off     port-query port (default 26200; 0 picks a free port)
  --command-port N|off   direct command port (default 26100; 0 picks a free port)
  --bind ADDRESS         IPv4 address to listen on (default 127.0.0.1, loopback only;
                         0.0.0.0 listens on every address)

What it answers
  -RequestApplicationName        "0 " and the application name
  -GetNextAvailablePortNumber    "0 " and a port: on the port-query port a command port
                                 opened for that one client; on a command connection
                                 a free port, for a stream listener of the client
  -GetTimestamp                  "0 " and the microseconds of its clock
  -RequestQuorvexObjects         "0 " and the object names, separated by blanks
  -RequestQuorvexTypes           "0 " and their data types, in the same order
  -SetComputerName, -SetApplicationName, -LogMessage    "0"
  -CreateStream ADDRESS PORT TYPE  "0", then connects to ADDRESS:PORT for the live
                                 data stream of TYPE (see Live data streams)
  -OpenStream NAME TYPE          "0", and the object's records start on its stream
  -CloseStream NAME TYPE         "0", and they stop
  -RequestRingBufferSize NAME    "0 512 4"
  -RequestRingBuffer NAME        64 raw bytes 00 01 ... 3F
  -RequestSamplingFrequency NAME "0 32000"
  -RequestADRange NAME           "0 -32768 32767"
  -RequestFeature NAME N         "0 " NAME " " N
  anything else                  "-1"

Options
  --name TEXT            application name (default "Quorvex Simulator")
  --objects LIST         object list as NAME:TYPE,NAME:TYPE,... (default: two SE,
                         one ST, one TT, two CSC, one event and one video tracker object)
  --clock unix|start     timestamps in microseconds since the Unix epoch (default, so
                         other programs can compare) or since the simulator started
  --reply CMD=TEXT       answer CMD with TEXT (sent with its NUL). CMD is a whole
                         command text, or a command word that then matches any arguments
  --reply-hex CMD=HEX    answer CMD with exactly these bytes, e.g. 4f4b (no NUL added)
  --log FILE|-           write one line per command received: "<connection> <port> <text>"
                         (- for standard output, after the ports line)
  --lifetime SECONDS     end after this many seconds (default: run until killed)
  --fault FAULT[@CMD]    a fault in the replies to CMD (a command word), or in every reply:
      version=N            the reply frame carries version N
      validation=N         ... validation code N (0x... for hexadecimal)
      size=N               ... message size N (0 or negative) and no payload
      cut[=N]              only the first N bytes of the reply frame (default: half),
                           then the connection closes
      segments[=N]         the reply frame in pieces of N bytes (default 1), each sent on its own
      close-at=N           the connection closes, unanswered, at the Nth (matching) command
      timestamp-status=N   "-GetTimestamp" answers status N
      silent               the command is read and never answered; the connection stays
                           open (a server that accepts and then hangs)
      announce=N           a valid header announcing N payload bytes (up to 2147483647),
                           then at most 16 of them and nothing more; the connection stays open
      raw                  the reply's payload alone, with no frame around it (with
                           --reply-hex: any bytes at all, as a program that is no server sends)
  --fault stream-reset=N[@KIND]
                         after N records a live data stream (of KIND: SE, ST, TT, CSC,
                         EV or VT; every stream without it) sends half a record and
                         resets its connection (an abortive close)
  --stream-rate N        records per second on every live data stream (default 1000;
                         0: as fast as the connection takes them)
  --stream-rate KIND=N   the same for one kind: SE, ST, TT, CSC, EV or VT
  --stream-any-address   connect streams to the address the client names even when it
                         is not a loopback address (by default such a stream goes to
                         127.0.0.1 instead, and the output says so)
  --help                 this text

Live data streams
  For each "-CreateStream" the simulator opens one connection to the client and
  only sends on it: whole records of the type's size, back to back, no header.
  The records go round the objects opened on that stream in turn.
    type         kind  record bytes  source field
    SEScAcqEnt   SE    112           bytes 8..11, signed 32-bit
    STScAcqEnt   ST    176           bytes 8..11, signed 32-bit
    TTScAcqEnt   TT    304           bytes 8..11, signed 32-bit
    CscAcqEnt    CSC   1044          bytes 8..11, signed 32-bit
    EventAcqEnt  EV    184           none
    VTAcqEnt     VT    1828          bytes 2..3, unsigned 16-bit
  The source field holds the object's index among the client's names for that
  kind: among all SE, ST and TT objects together for the spike kinds, among the
  objects of the type for the others, in the order of the object list.
  Bytes the client does not read:
    12..15  sequence number of that object's records on this stream, from 0
    16..19  the object's index (as above, for events too)
    20..27  the simulator's clock in microseconds, signed 64-bit
    others  byte i holds (sequence + i) mod 256
  All numbers little-endian. A receiver can check that nothing was lost,
  doubled or reordered (consecutive sequence numbers per object) and that every
  record arrived whole.
  Each stream writes a line to standard output when it connects, when it is
  sent elsewhere than asked, and when the client closes it:
    stream KIND connected to ADDRESS:PORT
)";
}

bool ParseOptions(int argc, char** argv, SimOptions& options, std::string& error) {
    options.objects = DefaultObjects();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--stream-any-address") {
            options.streamAnyAddress = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = "missing value after " + option;
            return false;
        }
        const std::string value = argv[++i];
        bool ok = true;
        if (option == "--query-port") {
            ok = ParsePort(value, options.queryPort);
        } else if (option == "--command-port") {
            ok = ParsePort(value, options.commandPort);
        } else if (option == "--bind") {
            options.bindAddress = value;
        } else if (option == "--name") {
            options.applicationName = value;
        } else if (option == "--objects") {
            ok = ParseObjects(value, options.objects);
        } else if (option == "--clock") {
            ok = value == "unix" || value == "start";
            options.clockFromStart = value == "start";
        } else if (option == "--reply" || option == "--reply-hex") {
            const size_t equals = value.find('=');
            ok = equals != std::string::npos && equals > 0;
            if (ok) {
                const std::string text = value.substr(equals + 1);
                std::vector<unsigned char> bytes;
                if (option == "--reply") {
                    bytes.assign(text.begin(), text.end());
                    bytes.push_back(0);
                } else {
                    ok = ParseHex(text, bytes);
                }
                options.replies[value.substr(0, equals)] = bytes;
            }
        } else if (option == "--log") {
            options.logFile = value;
        } else if (option == "--lifetime") {
            std::int64_t seconds = 0;
            ok = ParseInteger(value, seconds) && seconds >= 0;
            options.lifetimeSeconds = static_cast<int>(seconds);
        } else if (option == "--stream-rate") {
            ok = ParseStreamRate(value, options);
        } else if (option == "--fault") {
            SimFault fault{};
            ok = ParseFault(value, fault);
            options.faults.push_back(fault);
        } else {
            error = "unknown option " + option;
            return false;
        }
        if (!ok) {
            error = "cannot use " + option + " " + value;
            return false;
        }
    }
    return true;
}

}  // namespace sim
