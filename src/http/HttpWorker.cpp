// HttpWorker: one HTTP/1.1 exchange over libcurl's multi interface, so it can be stopped at once.
#include "http/HttpWorker.h"

#include <curl/curl.h>

#include <memory>
#include <string>

#include "http/CookieStore.h"
#include "text/Codepage.h"
#include "text/TextOps.h"

namespace kf {

const char* const kDefaultUserAgent
    = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; "
      ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022)";

void TransferControl::Abort()
{
    std::lock_guard lock(mutex_);
    aborted_ = true;
    if (multi_)
        curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

bool TransferControl::Aborted() const
{
    std::lock_guard lock(mutex_);
    return aborted_;
}

bool TransferControl::Attach(void* multiHandle)
{
    std::lock_guard lock(mutex_);
    if (aborted_)
        return false;
    multi_ = multiHandle;
    return true;
}

void TransferControl::Detach()
{
    std::lock_guard lock(mutex_);
    multi_ = nullptr;
}

Text CompleteHeaderText(std::string_view headers, std::string_view address, bool post, std::size_t bodySize,
    std::string_view cookies)
{
    Text text(TextView(headers));
    const auto contains = [&text](std::string_view needle) { return FindText(text, needle, 1, true) > 0; };
    if (!contains("Accept")) {
        text += "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
                "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
                "application/msword, */*\r\n";
    }
    if (contains("RefererNo")) {
        text = ReplaceText(text, "RefererNo", "", 1, true);
    } else if (!contains("Referer")) {
        text.append("Referer: ").append(TextView(address)).append("\r\n");
    }
    if (!contains("Accept-Language"))
        text += "Accept-Language: zh-cn\r\n";
    if (post && bodySize > 0) {
        if (!contains("Content-Type"))
            text += "Content-Type: application/x-www-form-urlencoded\r\n";
        if (!contains("Content-Length"))
            text.append("Content-Length: ").append(std::to_string(bodySize)).append("\r\n");
    }
    const std::string_view cookieText = TextView(cookies);
    if (!cookieText.empty())
        text.append("Cookie: ").append(cookieText).append("\r\n\r\n");
    return text;
}

Text UserAgentFor(std::string_view headers)
{
    if (FindText(headers, "User-Agent:", 1, true) > 0)
        return TrimBlanks(TextBetween(headers, "User-Agent:", "\r\n"));
    return kDefaultUserAgent;
}

std::string EncodeRequestTarget(std::string_view target)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto allowed = [](unsigned char c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return true;
        return std::string_view("-._~!$&'()*+,;=:@/?%").find(static_cast<char>(c)) != std::string_view::npos;
    };
    std::string out;
    out.reserve(target.size());
    for (const char ch : target) {
        const auto c = static_cast<unsigned char>(ch);
        if (allowed(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

Text ReadReceivedCookies(std::string_view headerText, std::vector<ReceivedCookie>* cookies)
{
    Text received;
    headerText = TextView(headerText);
    if (FindText(headerText, "Set-Cookie: ", 1, true) <= 0)
        return received;
    std::size_t from = 0;
    while (from < headerText.size()) {
        auto end = headerText.find("\r\n", from);
        if (end == std::string_view::npos)
            end = headerText.size();
        const std::string_view line = headerText.substr(from, end - from);
        from = end + 2;
        if (FindText(line, "Set-Cookie: ", 1, true) <= 0)
            continue;
        const Text rest = RemoveLeadingBytes(line, 12);
        received.append(TextBefore(rest, ";")).append(";");
        const int equals = FindText(rest, "=", 1, true);
        if (cookies) {
            cookies->push_back(
                {LeftPart(rest, equals - 1), RightPart(rest, static_cast<int>(rest.size()) - equals)});
        }
    }
    return received;
}

namespace {

bool StartsWith(std::string_view text, std::string_view prefix, bool ignoreCase)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (ignoreCase) {
            a = (a >= 'A' && a <= 'Z') ? static_cast<char>(a - 'A' + 'a') : a;
            b = (b >= 'A' && b <= 'Z') ? static_cast<char>(b - 'A' + 'a') : b;
        }
        if (a != b)
            return false;
    }
    return true;
}

// A host name that can stand in a URL as it is: no user part, port, path or blanks hidden in it.
bool IsPlainHost(std::string_view host)
{
    if (host.empty())
        return false;
    for (const char ch : host) {
        const auto c = static_cast<unsigned char>(ch);
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || std::string_view("-._~!$&'()*+,;=%").find(ch) != std::string_view::npos;
        if (!ok)
            return false;
    }
    return true;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// The header lines libcurl gets: the completed text split at CR LF, sent as they are, plus the
// removal entries that keep libcurl from adding lines of its own.
struct HeaderList {
    std::unique_ptr<curl_slist, SlistDeleter> list;
    bool hasUserAgent = false;
    bool ok = true;

    void Add(const std::string& line)
    {
        curl_slist* next = curl_slist_append(list.get(), line.c_str());
        if (!next) {
            ok = false;
            return;
        }
        list.release();
        list.reset(next);
    }
};

// Whether one of the lines is a header of that name (libcurl's own test: name, then ':' or ';').
bool HasHeader(const std::vector<std::string>& lines, std::string_view name)
{
    for (const auto& line : lines) {
        if (StartsWith(line, name, true) && line.size() > name.size()
            && (line[name.size()] == ':' || line[name.size()] == ';'))
            return true;
    }
    return false;
}

HeaderList BuildHeaderList(std::string_view completed, bool post, const Text& userAgent)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < completed.size()) {
        auto end = completed.find("\r\n", from);
        if (end == std::string_view::npos)
            end = completed.size();
        std::string line(completed.substr(from, end - from));
        from = end + 2;
        const auto colon = line.find(':');
        if (line.empty() || colon == std::string::npos || colon == 0)
            continue; // not a header line: nothing an HTTP server could read
        // libcurl drops "Name:" with a blank value; "Name;" is its spelling for sending it empty.
        if (line.find_first_not_of(" \t", colon + 1) == std::string::npos)
            line = line.substr(0, colon) + ";";
        lines.push_back(std::move(line));
    }
    HeaderList headers;
    for (const auto& line : lines)
        headers.Add(line);
    headers.hasUserAgent = HasHeader(lines, "User-Agent");
    if (!headers.hasUserAgent && userAgent.empty())
        headers.Add("User-Agent;");
    // Removal entries: libcurl sends none of these unless the caller's text holds them.
    if (!HasHeader(lines, "Accept"))
        headers.Add("Accept:");
    if (!HasHeader(lines, "Expect"))
        headers.Add("Expect:");
    if (post) {
        if (!HasHeader(lines, "Content-Type"))
            headers.Add("Content-Type:");
        if (!HasHeader(lines, "Content-Length"))
            headers.Add("Content-Length:");
    }
    return headers;
}

// libcurl keeps every header line of an exchange for its header API: those of each redirect
// hop, of interim answers and the trailers after a chunked body too. Their sum is bounded as well
// as the final header block, with room for a full block on each of the eleven hops.
constexpr std::size_t kMaxExchangeHeaderBytes = 16 * kMaxResponseHeaders;

// What the transfer brought back.
struct Response {
    bool answered = false; // a status line arrived
    Bytes body;
    std::string headers;
    bool headerBlockDone = false;
    std::size_t headerBytesSeen = 0; // every header and trailer line of the exchange
};

size_t OnBody(char* data, size_t size, size_t count, void* user)
{
    auto* response = static_cast<Response*>(user);
    const size_t length = size * count;
    const size_t room = kMaxResponseBody - response->body.size();
    if (length > room) {
        // Keep the first bytes up to the limit and stop the transfer.
        response->body.insert(response->body.end(), data, data + room);
        return 0;
    }
    response->body.insert(response->body.end(), data, data + length);
    return length;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* response = static_cast<Response*>(user);
    const size_t length = size * count;
    response->headerBytesSeen += length;
    if (response->headerBytesSeen > kMaxExchangeHeaderBytes)
        return 0; // an endless stream of trailers or interim answers stops the transfer
    std::string_view line(data, length);
    if (StartsWith(line, "HTTP/", true)) {
        // Each response of a redirect chain (and a 1xx interim one) starts over: the final one stays.
        response->headers.clear();
        response->headerBlockDone = false;
        response->answered = true;
    } else if (response->headerBlockDone) {
        return length; // trailers after the body are not part of the header block
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.empty()) {
        response->headerBlockDone = true;
        return length;
    }
    if (response->headers.size() + line.size() + 2 > kMaxResponseHeaders)
        return 0;
    response->headers.append(line).append("\r\n");
    return length;
}

// Runs the transfer on a multi handle of its own so that Abort can wake it from its poll.
void RunTransfer(CURL* easy, TransferControl& control)
{
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK)
        return;
    if (control.Attach(multi.get())) {
        int running = 1;
        while (!control.Aborted()) {
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK || running == 0)
                break;
            if (curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK)
                break;
        }
        control.Detach();
    }
    curl_multi_remove_handle(multi.get(), easy);
}

void Fail(RequestSlots& slots)
{
    // The outputs of a failed exchange are empty rather than echoes of the request.
    slots.addressOrBody.clear();
    slots.followRedirects.clear();
    slots.methodOrCookies.clear();
    slots.cookiesOrHeaders.clear();
}

} // namespace

ExchangePlan PlanExchange(
    std::string_view address, std::string_view cookies, bool followWanted, std::string_view proxy)
{
    ExchangePlan plan;
    plan.secure = FindText(LowerCase(address), "https://") > 0;
    plan.host = UrlHost(address);
    const Text path = UrlPath(address);
    int port = plan.secure ? 443 : UrlPort(address);
    if (port == 0)
        port = 80; // no port given after the colon: the service's default
    // A secure exchange always follows redirections and always uses the stored cookies.
    plan.follow = plan.secure || followWanted;
    plan.ownCookies = !plan.secure && !TrimBlanks(cookies).empty();
    // The proxy list names a proxy for plain HTTP only.
    plan.useProxy = !TextView(proxy).empty() && !plan.secure;
    plan.valid = IsPlainHost(plan.host) && port >= 1 && port <= 65535 && !path.empty() && path[0] == '/';
    if (plan.valid) {
        plan.url = std::string(plan.secure ? "https://" : "http://") + plan.host + ":" + std::to_string(port)
            + EncodeRequestTarget(path);
    }
    return plan;
}

void HttpWorker(RequestSlots& slots, TransferControl& control)
{
    EnsureCurlReady();
    const Text address = TextFromBytes(slots.addressOrBody);
    const bool post = TextFromBytes(slots.methodOrCookies) == "POST";
    const Text proxy = TextFromBytes(slots.proxy);
    const Text headerText = TextFromBytes(slots.headers);
    const Text cookies = TextFromBytes(slots.cookiesOrHeaders);
    const bool followWanted = TextFromBytes(slots.followRedirects) == Cp936("真");

    const ExchangePlan plan = PlanExchange(address, cookies, followWanted, proxy);
    if (!plan.valid) {
        Fail(slots);
        return;
    }
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        Fail(slots);
        return;
    }
    const Text userAgent = UserAgentFor(headerText);
    const Text completed = CompleteHeaderText(headerText, address, post, slots.body.size(), cookies);
    HeaderList headers = BuildHeaderList(completed, post, userAgent);
    if (!headers.ok) {
        Fail(slots);
        return;
    }

    CURL* h = easy.get();
    Response response;
    bool setupOk = curl_easy_setopt(h, CURLOPT_URL, plan.url.c_str()) == CURLE_OK;
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, plan.follow ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    // The proxy list names a proxy for plain HTTP only; the environment's proxies are never used.
    if (plan.useProxy) {
        const std::string proxyUrl = StartsWith(proxy, "http://", true) ? proxy : "http://" + proxy;
        setupOk = setupOk && curl_easy_setopt(h, CURLOPT_PROXY, proxyUrl.c_str()) == CURLE_OK;
        curl_easy_setopt(h, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    } else {
        curl_easy_setopt(h, CURLOPT_PROXY, "");
    }
    curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.list.get());
    if (!headers.hasUserAgent && !userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, userAgent.c_str());
    if (post) {
        static const char kEmpty[] = "";
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(slots.body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS,
            slots.body.empty() ? kEmpty : reinterpret_cast<const char*>(slots.body.data()));
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &response);
    AttachCookieStore(h, !plan.ownCookies);
    if (!setupOk) {
        Fail(slots);
        return;
    }

    RunTransfer(h, control);
    if (!response.answered || control.Aborted()) {
        Fail(slots);
        return;
    }

    slots.addressOrBody = std::move(response.body);
    std::vector<ReceivedCookie> toStore;
    const Text received = ReadReceivedCookies(response.headers, &toStore);
    for (const auto& cookie : toStore)
        StoreCookie(h, plan.host, cookie.name, cookie.data);
    slots.cookiesOrHeaders = BytesFromText(response.headers);
    slots.methodOrCookies = BytesFromText(received);
}

} // namespace kf
