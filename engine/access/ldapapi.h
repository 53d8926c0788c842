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

// How a session reaches its server: in plain text, in plain text switched to TLS by StartTLS
// before anything else is sent, or over TLS from the start (ldaps://).
enum class Transport { Plain, StartTls, Ldaps };

// Creates a session for host and port without network traffic; null on failure.
HARROW32_EXPORT LDAP* Init(const char* host, int port, Transport transport = Transport::Plain);
// Creates a session on a socket that is already connected to host and port; the session owns
// the socket from then on, also on failure (null), when it is closed here.
HARROW32_EXPORT LDAP* InitOnSocket(int socket, const std::string& host, int port);

// Asks the session's TLS for a certificate that verifies against the PEM certificates of caFile
// (the system's trusted ones when it is empty) and names the host. Returns 1 when it took.
HARROW32_EXPORT int RequireVerifiedTls(LDAP* handle, const std::string& caFile);
// Sends the StartTLS request on the connected session without waiting for its reply, which is
// read like any other; returns the LDAP result code of sending, with the message id in messageId.
// Once the reply says yes, InstallTls makes the handshake.
HARROW32_EXPORT int StartTlsRequest(LDAP* handle, int& messageId);
// Makes the TLS handshake on a session that is connected in plain text (an ldaps:// server
// reached on a socket of the caller's, or one that agreed to StartTLS), waiting at most the
// handle's network time limit; returns the LDAP result code.
HARROW32_EXPORT int InstallTls(LDAP* handle);

// Why a TLS handshake failed, as far as libldap tells.
enum class TlsFailure { None, Expired, WrongHost, UnknownAuthority, Other };
// Listens, while it lives, to what libldap reports about failed TLS handshakes made on its own
// thread, which the library tells only its debug log. Handshakes run on threads of their own, so
// each thread hears only its own; one listener per thread at a time.
class HARROW32_EXPORT TlsFailureListener {
public:
    // Listens only when told to: plain connections have no handshake to hear.
    explicit TlsFailureListener(bool listen = true);
    ~TlsFailureListener();
    TlsFailureListener(const TlsFailureListener&) = delete;
    TlsFailureListener& operator=(const TlsFailureListener&) = delete;
    // The first certificate failure heard; Other when only the handshake's failure was heard.
    TlsFailure Failure() const;

private:
    bool listening;
};

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
// As ParseResult, also handing back the cookie of a paged results response (empty when the
// result carries none, which ends the paging).
HARROW32_EXPORT int ParseResult(LDAP* handle, LDAPMessage* result, int& code,
                                std::vector<std::string>& referrals, std::string& pageCookie);

// The simple paged results request control (RFC 2696) for pages of pageSize entries, continuing
// after cookie (empty for the first page). Not critical, so that a server without paging
// searches without it. Null when it cannot be made.
using Control = std::unique_ptr<LDAPControl, void (*)(LDAPControl*)>;
HARROW32_EXPORT Control PageControl(LDAP* handle, int pageSize, const std::string& cookie);

// One page of a synchronous search, as SearchS does; cookie goes in as the page to continue from
// and comes back as the next one's (empty after the last page). A pageSize of 0 asks for
// everything at once.
HARROW32_EXPORT int SearchPageS(LDAP* handle, const std::string& base, int scope,
                                const std::string& filter,
                                const std::vector<std::string>& attributes, int pageSize,
                                std::string& cookie, Message& result);

// Whether an LDAP result code says the server stopped the search at one of its limits, after
// sending what it had found so far.
HARROW32_EXPORT bool IsLimitExceeded(int code);

} // namespace harrow::ldapapi
