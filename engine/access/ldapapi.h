// The engine's one boundary to OpenLDAP's libldap: the only header that includes <ldap.h>.
// It owns nothing itself; it supplies RAII handles for what the library hands out and small
// wrappers for the calls whose OpenLDAP form differs from the classic client interface.
#pragma once

#include "harrow32_export.h"

#include <ldap.h>
#include <openldap.h>

#include <sys/time.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace harrow::ldapapi {

struct HARROW32_EXPORT HandleDeleter {
    void operator()(LDAP* handle) const;
};
struct HARROW32_EXPORT MessageDeleter {
    void operator()(LDAPMessage* message) const;
};
struct HARROW32_EXPORT BerDeleter {
    void operator()(BerElement* cursor) const;
};
struct HARROW32_EXPORT MemDeleter {
    void operator()(void* memory) const;
};
struct HARROW32_EXPORT UrlDescDeleter {
    void operator()(LDAPURLDesc* url) const;
};

// An LDAP session; unbinds and frees it when it goes.
using Handle = std::unique_ptr<LDAP, HandleDeleter>;
// A message (or a chain of them) from ldap_result or a synchronous search.
using Message = std::unique_ptr<LDAPMessage, MessageDeleter>;
// The cursor of an attribute walk.
using BerCursor = std::unique_ptr<BerElement, BerDeleter>;
// A string or array that the library allocated and frees with ldap_memfree.
using MemString = std::unique_ptr<char, MemDeleter>;
using UrlDesc = std::unique_ptr<LDAPURLDesc, UrlDescDeleter>;

// Creates a session for host and port without network traffic; null on failure.
HARROW32_EXPORT LDAP* Init(const char* host, int port);
// Creates a session on a socket that is already connected to host and port; the session owns
// the socket from then on, also on failure (null), when it is closed here.
HARROW32_EXPORT LDAP* InitOnSocket(int socket, const std::string& host, int port);

// libldap reports its client-side failures as small negative numbers where the classic client
// interface used 81 and upwards (server down, local error, ...); the engine's tables and its log
// speak the classic numbers.
HARROW32_EXPORT int ClassicResultCode(int ldapResult);

// Starts an asynchronous simple bind (anonymous when dn and password are empty or null).
// Returns the message id, or -1 with the result code left in the handle.
HARROW32_EXPORT int SimpleBind(LDAP* handle, const char* dn, const char* password);
// A synchronous simple bind; returns the LDAP result code.
HARROW32_EXPORT int SimpleBindS(LDAP* handle, const char* dn, const char* password);

// The handle's last result code and diagnostic text (OpenLDAP has no ldap_get_lderrno).
HARROW32_EXPORT int LastResultCode(LDAP* handle);
HARROW32_EXPORT std::string LastDiagnostic(LDAP* handle);

// The socket of a connected handle, or -1.
HARROW32_EXPORT int Socket(LDAP* handle);

// Copies a string the library allocated and frees the original; null gives "".
HARROW32_EXPORT std::string TakeString(char* text);

// The entry's DN, freed where it is converted.
HARROW32_EXPORT std::string EntryDN(LDAP* handle, LDAPMessage* entry);

// Calls visit with each attribute of an entry and its values, in server order, in one walk over
// the entry (asking for each attribute by name would walk it again every time). The texts point
// into the message and last only for the call; values keep embedded bytes and are not
// zero-terminated. What the library allocates for the walk is freed here.
using AttributeVisitor =
    std::function<void(std::string_view name, const std::vector<std::string_view>& values)>;
HARROW32_EXPORT void ForEachAttribute(LDAP* handle, LDAPMessage* entry,
                                      const AttributeVisitor& visit);

// Sets the protocol version and switches the library's own referral chasing off, since the
// engine follows referrals itself. Returns 1 when both options took.
HARROW32_EXPORT int SetProtocol(LDAP* handle, int version);

// The span as the library's time-outs take it.
HARROW32_EXPORT timeval ToTimeval(std::chrono::microseconds span);

// Bounds the connect and every synchronous call's wait for its reply: a server that accepts the
// connection but never answers must not hold the caller for good.
HARROW32_EXPORT void SetTimeLimit(LDAP* handle, std::chrono::milliseconds limit);

// Splits an LDAP URL into its parts; null when it does not parse.
HARROW32_EXPORT UrlDesc ParseUrl(const std::string& url);

// A synchronous search without controls, time limit or size limit, fetching the values of the
// named attributes. The result chain goes into result (which may be set even on failure);
// returns the LDAP result code.
HARROW32_EXPORT int SearchS(LDAP* handle, const std::string& base, int scope,
                            const std::string& filter, const std::vector<std::string>& attributes,
                            Message& result);

// Reads the result code and the referral URLs of a final result without freeing the message;
// the library's strings are freed here. Returns 1, or 0 when the result cannot be parsed.
HARROW32_EXPORT int ParseResult(LDAP* handle, LDAPMessage* result, int& code,
                                std::vector<std::string>& referrals);

} // namespace harrow::ldapapi
