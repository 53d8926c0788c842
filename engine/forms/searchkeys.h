// Keys under which a form search remembers the servers, DNs and searches it has met, so that an
// entry or a referral reached twice is recognised. Owns nothing.
#pragma once

#include <string>

namespace harrow {

class QDN;
class QDSManager;

// "host:port" of the connection, the host folded to lower case; empty for an unknown connection.
std::string ServerKey(QDSManager* manager, long connId);
// The same for two DNs that the engine's DN comparison finds equal: each pair's attribute type
// and its value folded to lower case, the pairs of an RDN in sorted order. DNs that merely
// share a key may still differ (a value compared with its letter case, for one).
std::string DNKey(const QDN& dn);

} // namespace harrow
