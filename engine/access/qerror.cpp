#include "access/qerror.h"

namespace harrow {

namespace {

unsigned long EngineCodeForLDAPResult(int ldapResult) {
    if (ldapResult >= static_cast<int>(QError::kFirstEngineCode) &&
        ldapResult <= static_cast<int>(QError::kLastEngineCode)) {
        return static_cast<unsigned long>(ldapResult);
    }
    switch (ldapapi::ClassicResultCode(ldapResult)) {
    case 0:
        return 0;
    case 16:
    case 17:
    case 21:
    case 65:
    case 67:
    case 68:
        return 1793;
    case 32:
    case 33:
    case 34:
    case 36:
        return 1794;
    case 7:
    case 8:
    case 48:
    case 49:
    case 50:
    case 86:
        return 1798;
    case 20:
    case 69:
        return 1800;
    case 80:
    case 82:
    case 83:
    case 84:
        return 1825;
    case 5:
    case 18:
        return 1828;
    case 3:
        return 1829;
    case 4:
        return 1830;
    case 2:
        return 1834;
    case 87:
        return 1836;
    case 81:
        return 1838;
    default:
        return 1795;
    }
}

const char* SentenceFor(unsigned long code) {
    switch (code) {
    case 0:
        return "Operation successful";
    case 1793:
        return "Invalid attribute supplied.";
    case 1794:
        return "Invalid directory entry name supplied.";
    case 1795:
        return "Service error, cannot perform.";
    case 1796:
        return "Couldn't refer request.";
    case 1797:
        return "Request abandoned.";
    case 1798:
        return "Security problem, you have insufficient rights or invalid credentials.";
    case 1799:
        return "Couldn't abandon request.";
    case 1800:
        return "Couldn't update entry.";
    case 1824:
        return "Internal limit reached.";
    case 1825:
        return "Internal error detected.";
    case 1826:
        return "Invalid information supplied.";
    case 1827:
        return "Not enough search data supplied.";
    case 1828:
        return "Nothing found with given values.";
    case 1829:
        return "Time limit reached.";
    case 1830:
        return "Data retrieval limit reached.";
    case 1831:
        return "Administrative limit reached.";
    case 1833:
        return "The directory service is busy at present.";
    case 1834:
        return "Network problem, cannot perform.";
    case 1835:
        return "Not connected to directory.";
    case 1837:
        return "Some search operations failed.";
    case 1838:
        // The tab run is where the log breaks the sentence into two lines.
        return "A directory server connection was lost.\t\t\t\t this may be due to a server or "
               "network error.";
    case QError::kCredentialsRefused:
        return "The directory refused the name or password.";
    default:
        return "Unrecognized error!";
    }
}

// The secure-connection sentences, with a %s for the host; null for every other code.
const char* HostSentenceFor(unsigned long code) {
    switch (code) {
    case QError::kCertificateExpired:
        return "The certificate of the directory server %s has expired.";
    case QError::kCertificateWrongHost:
        return "The certificate of the directory server %s was made for another host name.";
    case QError::kCertificateUnknownAuthority:
        return "The certificate of the directory server %s comes from an unknown authority.";
    case QError::kSecureConnectionFailed:
        return "No secure connection could be made to the directory server %s.";
    default:
        return nullptr;
    }
}

} // namespace

QError::QError(unsigned long engineCode) : code(static_cast<std::uint32_t>(engineCode)) {}

QError::QError(int ldapResult, LDAPMessage* /*message*/)
    : code(static_cast<std::uint32_t>(EngineCodeForLDAPResult(ldapResult))) {}

QError::QError(unsigned long engineCode, const std::string& errorHost)
    : code(static_cast<std::uint32_t>(engineCode)), host(errorHost) {}

QError::~QError() = default;

void QError::Print(std::string& text) const {
    const char* withHost = HostSentenceFor(code);
    if (withHost == nullptr) {
        text = SentenceFor(code);
        return;
    }
    const std::string format(withHost);
    const std::size_t at = format.find("%s");
    text = format.substr(0, at) + host + format.substr(at + 2);
}

} // namespace harrow
