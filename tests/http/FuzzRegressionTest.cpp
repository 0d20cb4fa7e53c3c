// Inputs the fuzzers once broke, run through the same code path: received cookies read from a raw
// response header text and stored in the shared cookie store.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "http/CookieStore.h"
#include "http/HttpWorker.h"

namespace kf {
namespace {

std::vector<std::filesystem::path> RegressionFiles(const std::string& extension)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(KF_TEST_SOURCE_DIR) / "tests/http/fuzz-regressions")) {
        if (entry.path().extension() == extension)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The stored cookies as Netscape lines: domain, subdomains, path, secure, expiry, name, value.
std::vector<std::vector<std::string>> StoredCookies()
{
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    AttachCookieStore(easy.get(), true);
    curl_slist* raw = nullptr;
    curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &raw);
    std::unique_ptr<curl_slist, SlistDeleter> list(raw);
    std::vector<std::vector<std::string>> cookies;
    for (const curl_slist* item = list.get(); item != nullptr; item = item->next) {
        std::vector<std::string> fields;
        std::stringstream line(item->data);
        for (std::string field; std::getline(line, field, '\t');)
            fields.push_back(field);
        cookies.push_back(fields);
    }
    return cookies;
}

// Every cookie the header text sets with a lifetime in the future is kept, and with an expiry
// that lies in the future: a huge max-age must not wrap around into the past.
TEST(HttpFuzzRegressions, ReceivedCookiesAreStoredWithSaneExpiry)
{
    const auto files = RegressionFiles(".headers");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string headers = ReadFile(file);
        std::vector<ReceivedCookie> cookies;
        const Text received = ReadReceivedCookies(headers, &cookies);
        EXPECT_TRUE(received.empty() || received.back() == ';');

        ClearCookieStore();
        std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
        for (const auto& cookie : cookies)
            StoreCookie(easy.get(), "a.example", cookie.name, cookie.data);
        const auto stored = StoredCookies();
        const long long now = std::time(nullptr);
        std::vector<std::string> names;
        for (const auto& fields : stored) {
            ASSERT_EQ(fields.size(), 7u);
            SCOPED_TRACE(fields[5]);
            const long long expiry = std::stoll(fields[4]);
            EXPECT_TRUE(expiry == 0 || expiry > now);
            names.push_back(fields[5]);
        }
        for (const auto& cookie : cookies)
            EXPECT_TRUE(std::find(names.begin(), names.end(), cookie.name) != names.end()) << cookie.name;
        ClearCookieStore();
    }
}

} // namespace
} // namespace kf
