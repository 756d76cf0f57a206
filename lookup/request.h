#ifndef VELTOCD_LOOKUP_REQUEST_H
#define VELTOCD_LOOKUP_REQUEST_H

#include <windows.h>
#include <winhttp.h>

#include "lookup/answer.h"
#include "lookup/disc_id.h"

// How a lookup ended: the wParam of its message. A stopped lookup sends none.
enum class LookupOutcome {
    Found,         // Answer() holds at least one release
    NotFound,      // the server knows no release of the disc
    Busy,          // the server was busy, also when asked again a second later
    NoConnection,  // no connection, or a time limit passed
    Unreadable,    // an answer that is not the API's, or over LookupAnswer::kMaxBytes
};

// One lookup of a disc on a MusicBrainz server, over WinHTTP on a thread of its own so that
// the window asking stays responsive. The object owns the thread and its handles; destroying
// it stops the lookup and waits for the thread.
class LookupRequest {
public:
    static const DWORD kConnectMs = 5000;
    static const DWORD kReceiveMs = 10000;
    static const DWORD kAllMs = 15000;
    static const DWORD kRetryMs = 1000;

    LookupRequest();
    ~LookupRequest();
    LookupRequest(const LookupRequest&) = delete;
    LookupRequest& operator=(const LookupRequest&) = delete;

    // Whether an address may stand as the server: an http:// or https:// URL WinHTTP can take.
    static bool Usable(const wchar_t* server);
    // Asks the server (MusicBrainz's own where it is not Usable) about the disc. When the
    // lookup ends, `message` is posted to `notify` with the LookupOutcome as wParam. False if
    // a lookup is still running or none could start.
    bool Start(HWND notify, UINT message, const wchar_t* server, const LookupDiscId& disc);
    // Ends a running lookup at once and waits for its thread: no message is posted after it
    // returns (one posted before may still be in the queue).
    void Stop();
    // Between Start and the message (or a Stop).
    bool Running() const;
    // What the server answered, once a lookup was Found.
    const LookupAnswer& Answer() const { return answer_; }

private:
    struct Exchange;

    static DWORD WINAPI Run(void* self);
    bool Aim(const wchar_t* server);
    LookupOutcome Ask();
    bool Await(Exchange& exchange, DWORD status);
    LookupOutcome Read(Exchange& exchange);

    mutable CRITICAL_SECTION lock_;  // guards the two below
    bool stopped_;
    bool ended_;     // the message is posted (or, stopped, never will be)
    HANDLE cancel_;  // set by Stop: every wait of the thread ends on it
    HANDLE thread_;
    DWORD started_;  // tick count at the start, for the limit on the whole lookup

    HWND notify_;
    UINT message_;
    wchar_t userAgent_[128];
    wchar_t host_[256];
    INTERNET_PORT port_;
    bool secure_;
    wchar_t path_[2048];
    LookupDiscId disc_;
    LookupAnswer answer_;
};

#endif
