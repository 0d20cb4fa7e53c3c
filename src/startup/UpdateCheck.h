// The version check at start-up: the version page fetched, its marked version compared with
// ours, the home page opened, and the program ended when a new version is announced.
#pragma once

#include <functional>

#include "text/Base64.h"
#include "text/Platform.h"
#include "text/Text.h"

namespace kf {

// The version this program is.
inline constexpr char ExpectedVersion[] = "1.0";
// The version page carries the current version between these markers.
inline constexpr char VersionStartMarker[] = "-kqzt";
inline constexpr char VersionEndMarker[] = "kqzt-";

// "发现新版本", 17 blanks, "下载", 25 blanks: 56 bytes of cp936.
Text NewVersionMessage();
// "温馨提醒：" in cp936.
Text NewVersionTitle();

// The version page address: KESTRELFIND_VERSION_URL when it is set and not empty, otherwise
// EncodedVersionAddress turned back by DecodeLayeredText (`pending` runs between its groups).
Text VersionPageAddress(const PendingMessagesStep& pending = {});
// The home page address: KESTRELFIND_HOME_URL when it is set and not empty, otherwise the
// configured address.
Text HomePageAddress();

// Fetches the version page. The default is HttpRequest(address) with every argument omitted.
using VersionPageFetch = std::function<Bytes(Text& address)>;

// What the check works with. endProgram runs the exit clean-up once and ends the process with
// exit code 0; it is not expected to return (when it does, CheckForUpdate returns NewVersion).
struct UpdateCheckSeams {
    MessageBoxService& messageBox;
    ShellOpen& shellOpen;
    std::function<void()> endProgram;
    VersionPageFetch fetch = {}; // empty: HttpRequest with its defaults
    PendingMessagesStep pending = {}; // runs during the address decoding on the window thread
};

enum class UpdateCheckResult {
    Current, // the page carries ExpectedVersion: the home page was opened, start-up goes on
    Unreachable, // no page (no answer, empty body or the time-out message): nothing was said,
                 // the home page was opened, start-up goes on
    NewVersion, // the page says otherwise: the user was told, the home page opened, and
                // endProgram called
};

// The check, once per start on the window thread, before the window is first shown.
UpdateCheckResult CheckForUpdate(const UpdateCheckSeams& seams);

// True for what HttpRequest gives back when there is no page: empty bytes or its time-out text.
bool IsUnfetchedPage(const Bytes& body);

} // namespace kf
