#include "tests/streams/StreamTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace streamtest {
namespace {

// Windows needs its socket layer started before the first socket; the
// client's owner does it once for the process, so do the tests.
class SocketLayer : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(platform::SocketStartup(0x0101), 0); }
};
[[maybe_unused]] ::testing::Environment* const gSocketLayer = ::testing::AddGlobalTestEnvironment(new SocketLayer);

}  // namespace

bool WaitUntil(const std::function<bool()>& pred) {
    const auto deadline = std::chrono::steady_clock::now() + kStuck;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

LogCapture::LogCapture(const std::string& name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string unique = name;
    if (test != nullptr) unique += std::string("-") + test->test_suite_name() + "-" + test->name();
    for (char& c : unique) {
        if (c == '/' || c == '\\') c = '_';
    }
    mPath = std::filesystem::temp_directory_path() / ("orb-" + unique + ".log");
    std::filesystem::remove(mPath);
    EXPECT_EQ(mLog.OpenLogFile(mPath.string()), 0);
}

LogCapture::~LogCapture() {
    mLog.CloseLogFile();
    std::error_code ignored;
    std::filesystem::remove(mPath, ignored);
}

// An entry is "-* LEVEL *-  hh:mm:ss.mmm - text" and a CR LF; the two lines
// the log opens with have no tag and are left out.
std::vector<LogEntry> LogCapture::Entries() const {
    std::ifstream in(mPath, std::ios::binary);
    const std::string all(std::istreambuf_iterator<char>(in), {});
    std::vector<LogEntry> entries;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find("\r\n", start);
        if (end == std::string::npos) break;  // a line still being written
        const std::string line = all.substr(start, end - start);
        start = end + 2;
        if (line.rfind("-* ", 0) != 0) continue;
        const std::size_t tagEnd = line.find(" *- ");
        const std::size_t textStart = line.find(" - ", tagEnd);
        if (tagEnd == std::string::npos || textStart == std::string::npos) continue;
        entries.push_back({line.substr(3, tagEnd - 3), line.substr(textStart + 3)});
    }
    return entries;
}

std::vector<std::string> LogCapture::Texts() const {
    std::vector<std::string> texts;
    for (const LogEntry& e : Entries()) texts.push_back(e.text);
    return texts;
}

bool LogCapture::Contains(const std::string& text) const {
    for (const LogEntry& e : Entries()) {
        if (e.text == text) return true;
    }
    return false;
}

bool LogCapture::WaitFor(const std::string& text) const {
    return WaitUntil([&] { return Contains(text); });
}

StreamPeer::~StreamPeer() { Close(); }

bool StreamPeer::Connect(int port) {
    Close();
    mSocket = platform::CreateTcpSocket();
    if (mSocket == platform::kInvalidSocket) return false;
    platform::SetNoDelay(mSocket, true);
    return platform::Connect(mSocket, {127, 0, 0, 1}, static_cast<std::uint16_t>(port)) == 0;
}

bool StreamPeer::Send(const std::vector<unsigned char>& bytes) { return Send(bytes.data(), bytes.size()); }

bool StreamPeer::Send(const unsigned char* bytes, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        const int n = platform::Send(mSocket, bytes + sent, static_cast<int>(length - sent));
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void StreamPeer::Close() {
    if (mSocket != platform::kInvalidSocket) platform::CloseSocket(mSocket);
    mSocket = platform::kInvalidSocket;
}

std::vector<unsigned char> MakeRecord(int size, std::uint32_t sequence) {
    std::vector<unsigned char> record(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<unsigned char>(sequence * 31u + i * 7u + 1u);
    }
    return record;
}

void PutInt32(std::vector<unsigned char>& record, std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutUInt16(std::vector<unsigned char>& record, std::size_t offset, std::uint16_t value) {
    record[offset] = static_cast<unsigned char>(value);
    record[offset + 1] = static_cast<unsigned char>(value >> 8);
}

std::vector<unsigned char> Concat(const std::vector<std::vector<unsigned char>>& records) {
    std::vector<unsigned char> all;
    for (const auto& r : records) all.insert(all.end(), r.begin(), r.end());
    return all;
}

void Collector::Collect(void* context, const unsigned char* record, int recordCount, std::string objectName) {
    auto* self = static_cast<Collector*>(context);
    Delivery d{context, std::vector<unsigned char>(record, record + self->mRecordSize), recordCount,
               std::move(objectName)};
    {
        std::lock_guard<std::mutex> lock(self->mLock);
        self->mDeliveries.push_back(std::move(d));
    }
    self->mArrived.notify_all();
}

bool Collector::WaitForCount(std::size_t count) {
    std::unique_lock<std::mutex> lock(mLock);
    return mArrived.wait_for(lock, kStuck, [&] { return mDeliveries.size() >= count; });
}

std::vector<Delivery> Collector::Deliveries() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mDeliveries;
}

std::size_t Collector::Count() const {
    std::lock_guard<std::mutex> lock(mLock);
    return mDeliveries.size();
}

}  // namespace streamtest
