#pragma once

namespace ossivant {

// The zone file the C library reads for local time when TZ is unset.
inline constexpr const char* kLocalZoneFile = "/etc/localtime";

// Called once at program start, before any thread runs. When TZ is unset it
// is set to ":<zoneFile>", the same zone: the C library then reads the file
// once instead of looking at it again at every local time conversion. A TZ
// set by the user is left as it is.
void PinLocalTimeZone(const char* zoneFile = kLocalZoneFile);

// Takes in a change of the zone file since it was read (the machine moved to
// another zone, or the zone data was updated). Does nothing unless
// PinLocalTimeZone set TZ. It changes the environment, so it must run while
// no other thread reads it: the check engine calls it at each cycle start.
void FollowLocalTimeZone();

}  // namespace ossivant
