#include "access/ldapapi.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace harrow::ldapapi {

void HandleDeleter::operator()(LDAP* handle) const {
    if (handle != nullptr) {
        ldap_unbind_ext(handle, nullptr, nullptr);
    }
}

void MessageDeleter::operator()(LDAPMessage* message) const {
    if (message != nullptr) {
        ldap_msgfree(message);
    }
}

void BerDeleter::operator()(BerElement* cursor) const {
    if (cursor != nullptr) {
        ber_free(cursor, 0);
    }
}

void MemDeleter::operator()(void* memory) const {
    if (memory != nullptr) {
        ldap_memfree(memory);
    }
}

void UrlDescDeleter::operator()(LDAPURLDesc* url) const {
    if (url != nullptr) {
        ldap_free_urldesc(url);
    }
}

namespace {

// "ldap://host:port" (or ldaps), with the host escaped as a URL needs; null on failure.
MemString ServerUrl(const std::string& host, int port, Transport transport) {
    LDAPURLDesc url{};
    std::string hostName(host);
    url.lud_scheme = const_cast<char*>(transport == Transport::Ldaps ? "ldaps" : "ldap");
    url.lud_host = hostName.data();
    url.lud_port = port;
    url.lud_scope = LDAP_SCOPE_DEFAULT;
    return MemString(ldap_url_desc2str(&url));
}

} // namespace

LDAP* Init(const char* host, int port, Transport transport) {
    if (host == nullptr || *host == '\0') {
        return nullptr;
    }
    const MemString uri = ServerUrl(host, port, transport);
    if (!uri) {
        return nullptr;
    }
    LDAP* handle = nullptr;
    if (ldap_initialize(&handle, uri.get()) != LDAP_SUCCESS) {
        return nullptr;
    }
    return handle;
}

LDAP* InitOnSocket(int socket, const std::string& host, int port) {
    // The session keeps the server's name (not the address connected to), as a later TLS
    // handshake checks the certificate against it.
    const MemString uri = ServerUrl(host, port, Transport::Plain);
    LDAP* handle = nullptr;
    if (!uri || ldap_init_fd(socket, LDAP_PROTO_TCP, uri.get(), &handle) != LDAP_SUCCESS) {
        ::close(socket);
        return nullptr;
    }
    return handle;
}

int ClassicResultCode(int ldapResult) {
    if (ldapResult <= LDAP_SERVER_DOWN && ldapResult >= LDAP_REFERRAL_LIMIT_EXCEEDED) {
        return 80 - ldapResult;
    }
    return ldapResult;
}

namespace {

// The system's trusted certificates as Debian bundles them.
constexpr const char* kSystemAuthorities = "/etc/ssl/certs/ca-certificates.crt";

std::string GlobalTlsOption(int option) {
    char* value = nullptr;
    if (ldap_get_option(nullptr, option, &value) != LDAP_OPT_SUCCESS) {
        return {};
    }
    return TakeString(value);
}

// A handle's own TLS context starts from nothing: what ldap.conf or LDAPTLS_CACERT named for
// the library as a whole is carried over, else the system's bundle.
int SetAuthorities(LDAP* handle, const std::string& caFile) {
    std::string file = caFile;
    if (file.empty()) {
        const std::string directory = GlobalTlsOption(LDAP_OPT_X_TLS_CACERTDIR);
        if (!directory.empty()) {
            return ldap_set_option(handle, LDAP_OPT_X_TLS_CACERTDIR, directory.c_str()) ==
                   LDAP_OPT_SUCCESS;
        }
        file = GlobalTlsOption(LDAP_OPT_X_TLS_CACERTFILE);
    }
    if (file.empty()) {
        file = kSystemAuthorities;
    }
    return ldap_set_option(handle, LDAP_OPT_X_TLS_CACERTFILE, file.c_str()) == LDAP_OPT_SUCCESS;
}

} // namespace

int RequireVerifiedTls(LDAP* handle, const std::string& caFile) {
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    int ok = ldap_set_option(handle, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand) == LDAP_OPT_SUCCESS;
    ok = ok && SetAuthorities(handle, caFile);
    // The options above reach the handshake only through a context made for this handle.
    const int client = 0;
    ok = ok && ldap_set_option(handle, LDAP_OPT_X_TLS_NEWCTX, &client) == LDAP_OPT_SUCCESS;
    return ok ? 1 : 0;
}

int StartTlsRequest(LDAP* handle, int& messageId) {
    return ldap_extended_operation(handle, LDAP_EXOP_START_TLS, nullptr, nullptr, nullptr,
                                   &messageId);
}

int InstallTls(LDAP* handle) {
    return ldap_install_tls(handle);
}

namespace {

// What this thread's listener has heard, and whether the thread listens at all: the library's
// log is one for the process, and its lines arrive on the thread that wrote them.
thread_local TlsFailure heardFailure = TlsFailure::None;
thread_local bool threadListens = false;

// The hook into the library's log is put in by the first listener of the process and taken out
// by the last.
std::mutex hookMutex;
int listeners = 0;
int previousLevel = 0;
void* previousPrinter = nullptr;

TlsFailure FailureIn(const char* line) {
    if (std::strstr(line, "does not match") != nullptr) {
        return TlsFailure::WrongHost;
    }
    // GnuTLS reports its verification status bits; OpenSSL builds say it in words.
    const char* status = std::strstr(line, "untrusted or revoked (0x");
    if (status != nullptr) {
        const unsigned long bits =
            std::strtoul(status + std::strlen("untrusted or revoked ("), nullptr, 16);
        constexpr unsigned long kExpired = 0x400;
        constexpr unsigned long kNotActivated = 0x200;
        return (bits & (kExpired | kNotActivated)) != 0 ? TlsFailure::Expired
                                                        : TlsFailure::UnknownAuthority;
    }
    if (std::strstr(line, "expired") != nullptr) {
        return TlsFailure::Expired;
    }
    if (std::strstr(line, "issuer") != nullptr || std::strstr(line, "self-signed") != nullptr ||
        std::strstr(line, "self signed") != nullptr) {
        return TlsFailure::UnknownAuthority;
    }
    return std::strstr(line, "TLS") != nullptr ? TlsFailure::Other : TlsFailure::None;
}

void HearLibraryLog(const char* line) {
    const bool certificateHeard =
        heardFailure != TlsFailure::None && heardFailure != TlsFailure::Other;
    if (!threadListens || line == nullptr || certificateHeard) {
        return;
    }
    const TlsFailure failure = FailureIn(line);
    if (failure != TlsFailure::None) {
        heardFailure = failure;
    }
}

// The library tells why it refused a certificate among its trace messages; while listening they
// go to the listener alone, which keeps nothing but the reason.
constexpr int kTraceLevel = 0x0001; // LDAP_DEBUG_TRACE, which only the library's own headers name

} // namespace

TlsFailureListener::TlsFailureListener(bool listen) : listening(listen) {
    heardFailure = TlsFailure::None;
    if (!listening) {
        return;
    }
    threadListens = true;
    const std::lock_guard<std::mutex> lock(hookMutex);
    if (listeners++ > 0) {
        return;
    }
    ldap_get_option(nullptr, LDAP_OPT_DEBUG_LEVEL, &previousLevel);
    ber_get_option(nullptr, LBER_OPT_LOG_PRINT_FN, &previousPrinter);
    ber_set_option(nullptr, LBER_OPT_LOG_PRINT_FN, reinterpret_cast<void*>(&HearLibraryLog));
    const int level = kTraceLevel;
    ldap_set_option(nullptr, LDAP_OPT_DEBUG_LEVEL, &level);
}

TlsFailureListener::~TlsFailureListener() {
    if (!listening) {
        return;
    }
    threadListens = false;
    const std::lock_guard<std::mutex> lock(hookMutex);
    if (--listeners > 0) {
        return;
    }
    ldap_set_option(nullptr, LDAP_OPT_DEBUG_LEVEL, &previousLevel);
    ber_set_option(nullptr, LBER_OPT_LOG_PRINT_FN, previousPrinter);
}

TlsFailure TlsFailureListener::Failure() const {
    return heardFailure;
}

namespace {

berval Credentials(const char* password) {
    berval cred{};
    if (password != nullptr) {
        cred.bv_val = const_cast<char*>(password);
        cred.bv_len = std::char_traits<char>::length(password);
    }
    return cred;
}

const char* DnOrEmpty(const char* dn) {
    return dn != nullptr ? dn : "";
}

} // namespace

int SimpleBind(LDAP* handle, const char* dn, const char* password) {
    berval cred = Credentials(password);
    int msgid = -1;
    const int rc =
        ldap_sasl_bind(handle, DnOrEmpty(dn), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, &msgid);
    if (rc != LDAP_SUCCESS) {
        ldap_set_option(handle, LDAP_OPT_RESULT_CODE, &rc);
        return -1;
    }
    return msgid;
}

int SimpleBindS(LDAP* handle, const char* dn, const char* password) {
    berval cred = Credentials(password);
    return ldap_sasl_bind_s(handle, DnOrEmpty(dn), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr,
                            nullptr);
}

int LastResultCode(LDAP* handle) {
    int code = LDAP_OTHER;
    if (handle == nullptr ||
        ldap_get_option(handle, LDAP_OPT_RESULT_CODE, &code) != LDAP_OPT_SUCCESS) {
        return LDAP_OTHER;
    }
    return code;
}

std::string LastDiagnostic(LDAP* handle) {
    char* text = nullptr;
    if (handle == nullptr ||
        ldap_get_option(handle, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text) != LDAP_OPT_SUCCESS) {
        return {};
    }
    return TakeString(text);
}

int Socket(LDAP* handle) {
    int fd = -1;
    if (handle == nullptr || ldap_get_option(handle, LDAP_OPT_DESC, &fd) != LDAP_OPT_SUCCESS) {
        return -1;
    }
    return fd;
}

std::string TakeString(char* text) {
    MemString owned(text);
    return owned ? std::string(owned.get()) : std::string();
}

std::string EntryDN(LDAP* handle, LDAPMessage* entry) {
    return TakeString(ldap_get_dn(handle, entry));
}

void ForEachAttribute(LDAP* handle, LDAPMessage* entry, const AttributeVisitor& visit) {
    BerElement* rawCursor = nullptr;
    berval dn{};
    if (ldap_get_dn_ber(handle, entry, &rawCursor, &dn) != LDAP_SUCCESS) {
        return;
    }
    const BerCursor cursor(rawCursor);
    std::vector<std::string_view> values;
    for (;;) {
        berval name{};
        berval* found = nullptr;
        if (ldap_get_attribute_ber(handle, entry, cursor.get(), &name, &found) != LDAP_SUCCESS ||
            name.bv_val == nullptr) {
            return;
        }
        // The array is the library's; the values in it point into the message.
        const MemString array(reinterpret_cast<char*>(found));
        values.clear();
        for (berval* value = found; value != nullptr && value->bv_val != nullptr; ++value) {
            values.emplace_back(value->bv_val, value->bv_len);
        }
        visit(std::string_view(name.bv_val, name.bv_len), values);
    }
}

int SetProtocol(LDAP* handle, int version) {
    const int versionSet = ldap_set_option(handle, LDAP_OPT_PROTOCOL_VERSION, &version);
    const int referralsOff = ldap_set_option(handle, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    return versionSet == LDAP_OPT_SUCCESS && referralsOff == LDAP_OPT_SUCCESS ? 1 : 0;
}

timeval ToTimeval(std::chrono::microseconds span) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
    return timeval{static_cast<time_t>(seconds.count()),
                   static_cast<suseconds_t>((span - seconds).count())};
}

void SetTimeLimit(LDAP* handle, std::chrono::milliseconds limit) {
    const timeval wait = ToTimeval(limit);
    ldap_set_option(handle, LDAP_OPT_NETWORK_TIMEOUT, &wait);
    ldap_set_option(handle, LDAP_OPT_TIMEOUT, &wait);
}

UrlDesc ParseUrl(const std::string& url) {
    LDAPURLDesc* parsed = nullptr;
    if (ldap_url_parse(url.c_str(), &parsed) != LDAP_URL_SUCCESS) {
        return UrlDesc();
    }
    return UrlDesc(parsed);
}

namespace {

std::vector<char*> AttributeNames(const std::vector<std::string>& attributes) {
    std::vector<char*> names;
    names.reserve(attributes.size() + 1);
    for (const std::string& attribute : attributes) {
        names.push_back(const_cast<char*>(attribute.c_str()));
    }
    names.push_back(nullptr);
    return names;
}

void FreeControl(LDAPControl* control) {
    ldap_control_free(control);
}

std::string TakePageCookie(LDAP* handle, LDAPControl** controls) {
    LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls, nullptr);
    if (response == nullptr) {
        return {};
    }
    ber_int_t estimate = 0;
    berval cookie{};
    if (ldap_parse_pageresponse_control(handle, response, &estimate, &cookie) != LDAP_SUCCESS) {
        return {};
    }
    std::string text = cookie.bv_val != nullptr ? std::string(cookie.bv_val, cookie.bv_len) : "";
    ber_memfree(cookie.bv_val);
    return text;
}

} // namespace

int SearchS(LDAP* handle, const std::string& base, int scope, const std::string& filter,
            const std::vector<std::string>& attributes, Message& result) {
    std::string noCookie;
    return SearchPageS(handle, base, scope, filter, attributes, 0, noCookie, result);
}

Control PageControl(LDAP* handle, int pageSize, const std::string& cookie) {
    berval value{static_cast<ber_len_t>(cookie.size()), const_cast<char*>(cookie.data())};
    LDAPControl* control = nullptr;
    if (ldap_create_page_control(handle, pageSize, cookie.empty() ? nullptr : &value, 0,
                                 &control) != LDAP_SUCCESS) {
        control = nullptr;
    }
    return Control(control, &FreeControl);
}

int SearchPageS(LDAP* handle, const std::string& base, int scope, const std::string& filter,
                const std::vector<std::string>& attributes, int pageSize, std::string& cookie,
                Message& result) {
    std::vector<char*> names = AttributeNames(attributes);
    const Control page =
        pageSize > 0 ? PageControl(handle, pageSize, cookie) : Control(nullptr, &FreeControl);
    LDAPControl* serverControls[] = {page.get(), nullptr};
    LDAPMessage* chain = nullptr;
    const int rc =
        ldap_search_ext_s(handle, base.c_str(), scope, filter.c_str(), names.data(), 0,
                          page ? serverControls : nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &chain);
    result.reset(chain);
    cookie.clear();
    if (page && chain != nullptr) {
        int code = 0;
        std::vector<std::string> referrals;
        LDAPMessage* last = ldap_first_message(handle, chain);
        for (LDAPMessage* next = last; next != nullptr; next = ldap_next_message(handle, next)) {
            last = next;
        }
        if (last != nullptr && ldap_msgtype(last) == LDAP_RES_SEARCH_RESULT) {
            ParseResult(handle, last, code, referrals, cookie);
        }
    }
    return rc;
}

bool IsLimitExceeded(int code) {
    return code == LDAP_SIZELIMIT_EXCEEDED || code == LDAP_TIMELIMIT_EXCEEDED;
}

int ParseResult(LDAP* handle, LDAPMessage* result, int& code, std::vector<std::string>& referrals) {
    std::string ignoredCookie;
    return ParseResult(handle, result, code, referrals, ignoredCookie);
}

int ParseResult(LDAP* handle, LDAPMessage* result, int& code, std::vector<std::string>& referrals,
                std::string& pageCookie) {
    char* matched = nullptr;
    char* text = nullptr;
    char** urls = nullptr;
    LDAPControl** controls = nullptr;
    const int rc = ldap_parse_result(handle, result, &code, &matched, &text, &urls, &controls, 0);
    MemString matchedOwned(matched);
    MemString textOwned(text);
    if (urls != nullptr) {
        for (char** url = urls; *url != nullptr; ++url) {
            referrals.emplace_back(*url);
        }
        ldap_memvfree(reinterpret_cast<void**>(urls));
    }
    if (controls != nullptr) {
        pageCookie = TakePageCookie(handle, controls);
        ldap_controls_free(controls);
    }
    return rc == LDAP_SUCCESS ? 1 : 0;
}

} // namespace harrow::ldapapi
