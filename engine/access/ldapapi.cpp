#include "access/ldapapi.h"

#include <unistd.h>

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

// "ldap://host:port", with the host escaped as a URL needs; null on failure.
MemString ServerUrl(const std::string& host, int port) {
    LDAPURLDesc url{};
    std::string hostName(host);
    url.lud_scheme = const_cast<char*>("ldap");
    url.lud_host = hostName.data();
    url.lud_port = port;
    url.lud_scope = LDAP_SCOPE_DEFAULT;
    return MemString(ldap_url_desc2str(&url));
}

} // namespace

LDAP* Init(const char* host, int port) {
    if (host == nullptr || *host == '\0') {
        return nullptr;
    }
    const MemString uri = ServerUrl(host, port);
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
    const MemString uri = ServerUrl(host, port);
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

int SearchS(LDAP* handle, const std::string& base, int scope, const std::string& filter,
            const std::vector<std::string>& attributes, Message& result) {
    std::vector<char*> names;
    names.reserve(attributes.size() + 1);
    for (const std::string& attribute : attributes) {
        names.push_back(const_cast<char*>(attribute.c_str()));
    }
    names.push_back(nullptr);
    LDAPMessage* chain = nullptr;
    const int rc = ldap_search_ext_s(handle, base.c_str(), scope, filter.c_str(), names.data(), 0,
                                     nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &chain);
    result.reset(chain);
    return rc;
}

int ParseResult(LDAP* handle, LDAPMessage* result, int& code, std::vector<std::string>& referrals) {
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
        ldap_controls_free(controls);
    }
    return rc == LDAP_SUCCESS ? 1 : 0;
}

} // namespace harrow::ldapapi
