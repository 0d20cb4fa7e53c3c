// The version check at start-up: the version page fetched, its marked version compared with
// ours, the home page opened, and the program ended when a new version is announced.
#include "startup/UpdateCheck.h"

#include <cstdlib>

#include "http/HttpRequest.h"
#include "startup/StartupAddresses.h"
#include "text/Codepage.h"
#include "text/TextOps.h"

namespace kf {

namespace {

// An environment variable's value; empty when it is not set.
Text Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? Text(TextView(value)) : Text();
}

} // namespace

Text NewVersionMessage()
{
    return Cp936("发现新版本") + Text(17, ' ') + Cp936("下载") + Text(25, ' ');
}

Text NewVersionTitle()
{
    return Cp936("温馨提醒：");
}

Text VersionPageAddress(const PendingMessagesStep& pending)
{
    Text address = Environment("KESTRELFIND_VERSION_URL");
    return address.empty() ? DecodeLayeredText(EncodedVersionAddress, pending) : address;
}

Text HomePageAddress()
{
    Text address = Environment("KESTRELFIND_HOME_URL");
    return address.empty() ? Text(ConfiguredHomePageAddress) : address;
}

bool IsUnfetchedPage(const Bytes& body)
{
    return body.empty() || TextFromBytes(body) == HttpTimeoutMessage();
}

UpdateCheckResult CheckForUpdate(const UpdateCheckSeams& seams)
{
    Text address = VersionPageAddress(seams.pending);
    const Bytes body = seams.fetch ? seams.fetch(address) : HttpRequest(address);

    // A page that could not be fetched announces nothing: without this, every start without a
    // network connection would tell of a new version and end the program.
    if (IsUnfetchedPage(body)) {
        seams.shellOpen.Open(HomePageAddress());
        return UpdateCheckResult::Unreachable;
    }

    const Text page = TextFromBytes(body);
    const Text version = TextBetween(page, VersionStartMarker, VersionEndMarker);
    if (version == ExpectedVersion) {
        seams.shellOpen.Open(HomePageAddress());
        return UpdateCheckResult::Current;
    }

    seams.messageBox.Show(NewVersionTitle(), NewVersionMessage());
    seams.shellOpen.Open(HomePageAddress());
    if (seams.endProgram)
        seams.endProgram();
    return UpdateCheckResult::NewVersion;
}

} // namespace kf
