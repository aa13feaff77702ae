#include "log/ClientLogFile.h"

#include <cstring>
#include <utility>

#include "log/Format.h"

namespace {
const char* const kClosingLine = "Log File Closed - End of File\r\n";
}

ClientLogFile::ClientLogFile() : ClientLogFile(Clock(&platform::GetLocalTime)) {}

ClientLogFile::ClientLogFile(Clock clock) : mClassName("ClientLogFile"), mClock(std::move(clock)) {}

// The owner closes the log first; a file still open here is closed without
// its closing line.
ClientLogFile::~ClientLogFile() {
    if (mLogStream.is_open()) mLogStream.close();
}

int ClientLogFile::OpenLogFile(const std::string& fileName) {
    std::lock_guard<std::mutex> lock(mLock);
    CloseLocked();
    // Binary, so that the line ends are ours on every system: WriteLine turns
    // each line feed into CR LF itself.
    mLogStream.open(fileName, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!mLogStream.is_open()) {
        mLogStream.clear();
        mLastOpenError = FormatText(
            "Error openning filename: %s, file may be invalid, please check the filename ", fileName.c_str());
        return -1;
    }
    WriteLine(FormatText("Kovane Log File Opened - File Name:  %s", fileName.c_str()));
    const platform::LocalTime t = mClock();
    WriteLine(FormatText("Time Opened: (m/d/y)  %d/%d/%d at time %d:%d:%d.%d", t.month, t.day, t.year, t.hour,
                         t.minute, t.second, t.millisecond));
    mFileName = fileName;
    return 0;
}

int ClientLogFile::CloseLogFile() {
    std::lock_guard<std::mutex> lock(mLock);
    return CloseLocked();
}

int ClientLogFile::CloseLocked() {
    if (!mLogStream.is_open()) return -1;
    WriteLine(kClosingLine);
    mLogStream.close();
    mLogStream.clear();
    mFileName.clear();
    return 0;
}

int ClientLogFile::WriteLogEntry(LogLevel level, const std::string& message) {
    std::lock_guard<std::mutex> lock(mLock);
    if (!mLogStream.is_open()) return -1;  // dropped; no need to read the clock
    std::string line = GetLevelTag(level);
    line += GetTimeStamp();
    line += " - ";
    line.append(message.c_str());  // up to the first NUL
    return WriteLine(line);
}

std::string ClientLogFile::LastOpenError() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mLastOpenError;
}

std::string ClientLogFile::GetLevelTag(LogLevel level) {
    switch (level) {
        case LogLevel::Fatal: return "-* FATAL *- ";
        case LogLevel::Error: return "-* ERROR *- ";
        case LogLevel::Warning: return "-* WARNING *- ";
        case LogLevel::Notice: return "-* NOTICE *- ";
        case LogLevel::Data: return "-* DATA *- ";
    }
    return "-* UNKNOWN *- ";
}

std::string ClientLogFile::GetTimeStamp() const {
    const platform::LocalTime t = mClock();
    return FormatText(" %02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond);
}

// Writes the text up to its first NUL and one line feed, every line feed as
// CR LF, then flushes, so nothing is lost when the process ends abruptly.
int ClientLogFile::WriteLine(const std::string& text) {
    if (!mLogStream.is_open()) return -1;
    std::string out;
    const size_t length = std::strlen(text.c_str());
    out.reserve(length + 8);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') out += '\r';
        out += text[i];
    }
    out += "\r\n";
    mLogStream.write(out.data(), static_cast<std::streamsize>(out.size()));
    mLogStream.flush();
    return 0;
}
