// Keys under which a form search remembers the servers, DNs and searches it has met, so that an
// entry or a referral reached twice is recognised. Owns nothing.
#pragma once

#include <string>

namespace harrow {

class QDN;
class QDSManager;

// "host:port" of the connection, the host folded to lower case; empty for an unknown connection.
std::string ServerKey(QDSManager* manager, long connId);
// Sets key to a text that two DNs share exactly when the engine's DN comparison finds them
// equal: each pair by its attribute type and its value, folded where the value's syntax ignores
// letter case, the pairs of an RDN in sorted order. False when the DN holds a value that its
// syntax finds equal to nothing, so that the DN equals no other.
bool DNKey(const QDN& dn, std::string& key);

} // namespace harrow
