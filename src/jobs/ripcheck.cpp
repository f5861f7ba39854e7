#include "jobs/ripcheck.h"

#include "cd/accurateripclient.h"
#include "cd/ctdbclient.h"
#include "cd/lookupcache.h"
#include "settings/cdreadingkeys.h"
#include "settings/settingsfile.h"

namespace {

// Section "AccurateRip", key "lookup": 0 keeps rips off the network.
constexpr BoolKey LookupKey{"AccurateRip", "lookup", true};

} // namespace

RipCheckSettings RipCheckSettings::from(const SettingsFile& settings) {
    using namespace CdReadingKeys;
    RipCheckSettings check;
    check.lookUp = settings.read(LookupKey);
    check.writeLog = true;
    check.server = AccurateRipClient::serverFrom(settings.path());
    check.lookUpCtdb = settings.read(CtdbKeys::Lookup);
    check.ctdbServer = CtdbClient::serverFrom(settings.path());
    check.cacheRoot = LookupCache::defaultRoot();
    check.read = ReadSettings::from(settings);
    check.cueSheet = settings.readPosition(CueSheet, DiscChoiceCount);
    check.deEmphasis = settings.readPosition(DeEmphasis, DiscChoiceCount);
    check.image = settings.read(DiscAsOneFile);
    return check;
}
