// The online lookup's parts: disc IDs against Debian's libdiscid (tests/discids.py, handed in
// by tests/with_server.sh), answers read from JSON texts, and the server's address. The
// lookups themselves are tested end to end, through the titles dialog.
#include <sstream>

#include "lookup/request.h"
#include "support/support.h"

namespace {

std::vector<std::string> Words(const std::string& text, char separator)
{
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, separator);) words.push_back(word);
    return words;
}

TableOfContents Toc(DWORD leadOut, std::vector<DWORD> starts, int dataFrom = 99)
{
    TableOfContents toc = {};
    toc.LeadOut = leadOut;
    for (DWORD start : starts) {
        toc.Audio[toc.TrackCount] = toc.TrackCount + 1 < dataFrom;
        toc.TrackStart[toc.TrackCount++] = start;
    }
    return toc;
}

}  // namespace

TEST_CASE("disc IDs as libdiscid works them out; tables no disc has are refused")
{
    const std::vector<std::string> cases = Words(sim::Env("VELTO_DISCIDS"), ';');
    CHECK(cases.size() == 4);
    for (const std::string& line : cases) {
        CAPTURE(line);
        const std::vector<std::string> words = Words(line, ' ');
        REQUIRE(words.size() >= 4);
        TableOfContents toc = Toc(std::stoul(words[0]), {});
        for (size_t i = 1; i + 2 < words.size(); ++i) {
            toc.Audio[toc.TrackCount] = words[i][0] != 'd';
            toc.TrackStart[toc.TrackCount++] = std::stoul(words[i].substr(words[i][0] == 'd'));
        }
        LookupDiscId id;
        REQUIRE(id.Compute(toc));
        CHECK(id.Id == words[words.size() - 2]);
        CHECK(id.Toc == words.back());
    }
    const TableOfContents refused[] = {
        Toc(30000, {}),                      // no track
        Toc(30000, {150, 20000, 20000}),     // a track starting where the one before it does
        Toc(20000, {150, 20000}),            // a lead-out not after the last track's start
        Toc(90000, {150, 20000}, 1),         // no audio track
        Toc(90000, {150, 20000, 31000}, 3),  // a data track too close to the audio for a session's gap
    };
    for (const TableOfContents& toc : refused) {
        CAPTURE(toc.TrackCount);
        LookupDiscId id;
        CHECK_FALSE(id.Compute(toc));
        CHECK(id.Id[0] == '\0');
    }
}

TEST_CASE("answers: the medium that is the disc, texts decoded and cut, shapes that are not the API's refused")
{
    LookupDiscId disc = {};
    lstrcpyA(disc.Id, "ID_of_the_disc_28_characters");
    disc.LastTrack = 5;
    const std::string pair = "\\ud834\\udd1e";  // U+1D11E, a character of two units
    const std::string longTitle = std::string(1022, 'a') + pair;
    struct Case {
        std::string json;
        int releases;                // -1: refused
        const wchar_t* label = L"";  // nullptr: not looked at
        const wchar_t* title = L"";  // of the last release's track 1
    } cases[] = {
        {R"({"releases":[{"title":"Caf\u00e9","date":"2003","country":"JP","artist-credit":[{"name":"X",
            "joinphrase":" & "},{"name":"雨"}],"media":[{"track-count":5,"discs":[{"id":"other"}],"tracks":[
            {"position":1,"title":"wrong medium"}]},{"track-count":5,"discs":[{"id":"ID_of_the_disc_28_characters"}],
            "tracks":[{"position":2,"title":"two"},{"position":1,"title":")" +
             pair + R"( \"雨\"\n"}]}]}]})",
         1, L"X & 雨 - Café (2003, JP)", L"\U0001D11E \"雨\" "},
        // The second release has no medium with the disc's ID: the first with five tracks.
        {R"({"releases":[{"title":"A","media":[]},{"title":"B","date":null,"country":"GB","artist-credit":[],
            "media":[{"track-count":6,"tracks":[{"position":1,"title":"six"}]},{"tracks":[{"position":1,"title":
            "five"},{"position":2,"title":"2"},{"position":3,"title":"3"},{"position":4,"title":"4"},{"position":5,
            "title":"5"}]}]}]})",
         2, L"B (GB)", L"five"},
        {R"({"releases":[{"title":")" + longTitle + R"(","media":[{"track-count":5,"tracks":[{"position":1,
            "title":"half \ud834 a pair, a NUL \u0000"}]}]}]})",
         1, nullptr, L"half \xFFFD a pair, a NUL \xFFFD"},
        {R"({"releases":[]})", 0},
        {"<html>busy</html>", -1},
        {R"({"release":[]})", -1},
        {R"({"releases":{}})", -1},
        {R"({"releases":[{"title":1,"media":[]}]})", -1},
        {R"({"releases":[{"title":"A","media":[{"track-count":5,"tracks":[{"position":"1","title":"A"}]}]}]})", -1},
        {R"({"releases":[{"title":"A","media":[],"artist-credit":[{"joinphrase":"&"}]}]})", -1},
        {R"({"releases":[{"title":"bad \x escape","media":[]}]})", -1},
        {R"({"releases":[], "title"})", -1},
        {R"({"releases":[]} trailing)", -1},
        {R"({"releases":[{"title":"A","media":[)", -1},
    };
    for (const Case& c : cases) {
        CAPTURE(c.json);
        LookupAnswer answer;
        CHECK(answer.Read(c.json.data(), static_cast<DWORD>(c.json.size()), disc) == (c.releases >= 0));
        CHECK(answer.ReleaseCount() == (c.releases > 0 ? c.releases : 0));
        wchar_t label[LookupAnswer::kTextSize] = L"?";
        answer.Label(answer.ReleaseCount() - 1, label, LookupAnswer::kTextSize);
        CHECK((c.label == nullptr || std::wstring(label) == c.label));
        CHECK(std::wstring(answer.Title(answer.ReleaseCount() - 1, 1)) == c.title);
    }
    // A title longer than a field is cut before the pair that would not fit whole.
    LookupAnswer answer;
    REQUIRE(answer.Read(cases[2].json.data(), static_cast<DWORD>(cases[2].json.size()), disc));
    CHECK(std::wstring(answer.Album(0)) == std::wstring(1022, L'a'));
    const std::string big = R"({"releases":[],"padding":")" + std::string(1024 * 1024, ' ') + "\"}";
    CHECK_FALSE(answer.Read(big.data(), static_cast<DWORD>(big.size()), disc));
}

TEST_CASE("only an http or https address stands as the server")
{
    CHECK(LookupRequest::Usable(L"https://musicbrainz.org"));
    CHECK(LookupRequest::Usable(L"http://127.0.0.1:8080/mirror"));
    for (const wchar_t* other :
         {L"ftp://musicbrainz.org", L"musicbrainz.org", L"", static_cast<const wchar_t*>(nullptr)})
        CHECK_FALSE(LookupRequest::Usable(other));
}
