#include "lookup/request.h"

#include "common/text.h"
#include "res/resource.h"
#include "res/version.h"

namespace {

const wchar_t kDefaultServer[] = L"https://musicbrainz.org";

int Append(wchar_t* dest, int size, int length, const wchar_t* text)
{
    return length + CopyText(dest + length, size - length, text);
}

int AppendAscii(wchar_t* dest, int size, int length, const char* text)
{
    for (; *text != '\0' && length < size - 1; ++text) {
        dest[length++] = static_cast<unsigned char>(*text);
    }
    dest[length] = L'\0';
    return length;
}

// The parts of an http or https URL; false for any other, or one whose parts do not fit.
bool Crack(const wchar_t* url, wchar_t (&host)[256], INTERNET_PORT& port, bool& secure, wchar_t (&path)[2048])
{
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 512;  // room left for the lookup's own path
    if (url == nullptr || *url == L'\0' || !WinHttpCrackUrl(url, 0, 0, &parts) || host[0] == L'\0') {
        return false;
    }
    port = parts.nPort;
    secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

}  // namespace

// What WinHTTP reports of one request, on threads of its own. The worker and the request
// handle each hold it: a call still running when the handle is closed (Wine lets it run to its
// time limit) may still write into the body and report, so the last of the two frees it.
struct LookupRequest::Exchange {
    LONG holders;
    HANDLE completed;  // auto-reset: the call waited for has ended
    DWORD status;      // how: a WINHTTP_CALLBACK_STATUS_* completion or REQUEST_ERROR
    DWORD bytes;       // read by a READ_COMPLETE
    char* body;        // LookupAnswer::kMaxBytes + 1: a byte more tells an answer too long
    HINTERNET session;
    HINTERNET connection;
    HINTERNET request;

    static Exchange* Create()
    {
        Exchange* exchange = static_cast<Exchange*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Exchange)));
        if (exchange == nullptr) {
            return nullptr;
        }
        exchange->holders = 1;
        exchange->completed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        exchange->body = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, LookupAnswer::kMaxBytes + 1));
        if (exchange->completed == nullptr || exchange->body == nullptr) {
            Release(exchange);
            return nullptr;
        }
        return exchange;
    }

    static void Release(Exchange* exchange)
    {
        if (InterlockedDecrement(&exchange->holders) == 0) {
            if (exchange->completed != nullptr) {
                CloseHandle(exchange->completed);
            }
            if (exchange->body != nullptr) {
                HeapFree(GetProcessHeap(), 0, exchange->body);
            }
            HeapFree(GetProcessHeap(), 0, exchange);
        }
    }

    static void CALLBACK Report(HINTERNET, DWORD_PTR context, DWORD status, void*, DWORD length)
    {
        Exchange* exchange = reinterpret_cast<Exchange*>(context);
        if (exchange == nullptr) {
            return;
        }
        switch (status) {
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            exchange->status = status;
            exchange->bytes = status == WINHTTP_CALLBACK_STATUS_READ_COMPLETE ? length : 0;
            SetEvent(exchange->completed);
            break;
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
            Release(exchange);  // the request handle's hold
            break;
        default:
            break;
        }
    }
};

LookupRequest::LookupRequest()
    : stopped_(false),
      ended_(false),
      cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(nullptr),
      started_(0),
      notify_(nullptr),
      message_(0),
      port_(0),
      secure_(false)
{
    InitializeCriticalSection(&lock_);
    host_[0] = L'\0';
    path_[0] = L'\0';
}

LookupRequest::~LookupRequest()
{
    Stop();
    if (cancel_ != nullptr) {
        CloseHandle(cancel_);
    }
    DeleteCriticalSection(&lock_);
}

bool LookupRequest::Usable(const wchar_t* server)
{
    wchar_t host[256];
    wchar_t path[2048];
    INTERNET_PORT port;
    bool secure;
    return Crack(server, host, port, secure, path);
}

bool LookupRequest::Aim(const wchar_t* server)
{
    if (!Crack(server, host_, port_, secure_, path_) && !Crack(kDefaultServer, host_, port_, secure_, path_)) {
        return false;
    }
    // The lookup's path goes below the server's own: "http://host/mirror/" asks "/mirror/ws/2/...".
    int length = lstrlenW(path_);
    while (length > 0 && path_[length - 1] == L'/') {
        --length;
    }
    const int size = ARRAYSIZE(path_);
    length = Append(path_, size, length, L"/ws/2/discid/");
    length = AppendAscii(path_, size, length, disc_.Id);
    length = Append(path_, size, length, L"?toc=");
    length = AppendAscii(path_, size, length, disc_.Toc);
    Append(path_, size, length, L"&inc=artist-credits+recordings&fmt=json");
    return true;
}

bool LookupRequest::Running() const
{
    EnterCriticalSection(&lock_);
    const bool running = thread_ != nullptr && !ended_;
    LeaveCriticalSection(&lock_);
    return running;
}

bool LookupRequest::Start(HWND notify, UINT message, const wchar_t* server, const LookupDiscId& disc)
{
    if (Running() || cancel_ == nullptr) {
        return false;
    }
    Stop();  // a lookup that ended may still be leaving its thread
    disc_ = disc;
    if (!Aim(server)) {
        return false;
    }
    // "veltoCD/1.0.0 ( contact )", as MusicBrainz asks of a program, its name from the string table.
    wchar_t name[32];
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_APP_NAME, name, ARRAYSIZE(name)) == 0) {
        name[0] = L'\0';
    }
    wsprintfW(userAgent_, L"%s/" VELTO_VERSION_TEXT L" ( " VELTO_CONTACT L" )", name);
    notify_ = notify;
    message_ = message;
    stopped_ = false;
    ended_ = false;
    ResetEvent(cancel_);
    answer_.Clear();
    started_ = GetTickCount();
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return thread_ != nullptr;
}

void LookupRequest::Stop()
{
    if (thread_ == nullptr) {
        return;
    }
    EnterCriticalSection(&lock_);
    stopped_ = true;
    LeaveCriticalSection(&lock_);
    SetEvent(cancel_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

// Waits for the call under way to report this status, at most the limit on a receive: the
// lookup keeps it itself, as Wine may report a request sent only once its answer begins, and
// keeps no limit on that wait. False if the call failed, or a stop or a limit came first.
bool LookupRequest::Await(Exchange& exchange, DWORD status)
{
    const DWORD spent = GetTickCount() - started_;
    const DWORD left = spent < kAllMs ? kAllMs - spent : 0;
    HANDLE events[] = {exchange.completed, cancel_};
    return left > 0 &&
           WaitForMultipleObjects(2, events, FALSE, left < kReceiveMs ? left : kReceiveMs) == WAIT_OBJECT_0 &&
           exchange.status == status;
}

LookupOutcome LookupRequest::Read(Exchange& exchange)
{
    DWORD length = 0;
    do {
        if (!WinHttpReadData(exchange.request, exchange.body + length, LookupAnswer::kMaxBytes + 1 - length, nullptr) ||
            !Await(exchange, WINHTTP_CALLBACK_STATUS_READ_COMPLETE)) {
            return LookupOutcome::NoConnection;
        }
        length += exchange.bytes;
    } while (exchange.bytes > 0 && length <= LookupAnswer::kMaxBytes);
    if (length > LookupAnswer::kMaxBytes || !answer_.Read(exchange.body, length, disc_)) {
        return LookupOutcome::Unreadable;
    }
    return answer_.ReleaseCount() > 0 ? LookupOutcome::Found : LookupOutcome::NotFound;
}

LookupOutcome LookupRequest::Ask()
{
    Exchange* exchange = Exchange::Create();
    if (exchange == nullptr) {
        return LookupOutcome::NoConnection;
    }
    LookupOutcome outcome = LookupOutcome::NoConnection;
    Exchange& x = *exchange;
    x.session = WinHttpOpen(userAgent_, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (x.session != nullptr && WinHttpSetTimeouts(x.session, kConnectMs, kConnectMs, kReceiveMs, kReceiveMs)) {
        x.connection = WinHttpConnect(x.session, host_, port_, 0);
    }
    if (x.connection != nullptr) {
        x.request = WinHttpOpenRequest(x.connection, L"GET", path_, nullptr, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, secure_ ? WINHTTP_FLAG_SECURE : 0);
    }
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(exchange);
    if (x.request != nullptr && WinHttpSetOption(x.request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) &&
        WinHttpSetStatusCallback(x.request, Exchange::Report,
                                 WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                                 0) != WINHTTP_INVALID_STATUS_CALLBACK) {
        InterlockedIncrement(&x.holders);  // let go of when the request handle closes
        DWORD status = 0;
        DWORD size = sizeof status;
        if (WinHttpSendRequest(x.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, context) &&
            Await(x, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE) && WinHttpReceiveResponse(x.request, nullptr) &&
            Await(x, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE) &&
            WinHttpQueryHeaders(x.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
            outcome = status == 200   ? Read(x)
                      : status == 404 ? LookupOutcome::NotFound
                      : status == 503 ? LookupOutcome::Busy
                                      : LookupOutcome::Unreadable;
        }
    }
    // Closing the request also ends a call still under way.
    HINTERNET handles[] = {x.request, x.connection, x.session};
    for (HINTERNET handle : handles) {
        if (handle != nullptr) {
            WinHttpCloseHandle(handle);
        }
    }
    Exchange::Release(exchange);
    return outcome;
}

DWORD WINAPI LookupRequest::Run(void* self)
{
    LookupRequest& lookup = *static_cast<LookupRequest*>(self);
    LookupOutcome outcome = lookup.Ask();
    // A busy server is asked once more, a second later.
    if (outcome == LookupOutcome::Busy && WaitForSingleObject(lookup.cancel_, kRetryMs) == WAIT_TIMEOUT) {
        outcome = lookup.Ask();
    }
    // Under the lock, so that a Stop either comes after the message or prevents it.
    EnterCriticalSection(&lookup.lock_);
    if (!lookup.stopped_) {
        PostMessageW(lookup.notify_, lookup.message_, static_cast<WPARAM>(outcome), 0);
    }
    lookup.ended_ = true;
    LeaveCriticalSection(&lookup.lock_);
    return 0;
}
