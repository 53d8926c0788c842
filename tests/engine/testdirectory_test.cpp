#include "support/testdirectory.h"

#include "access/ldapapi.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

using larkspur::test::SlapdTest;
using larkspur::test::TestDirectory;
namespace ldapapi = harrow::ldapapi;

namespace {

const char kPeople[] = R"(dn: ou=people,dc=example,dc=com
objectClass: organizationalUnit
ou: people

dn: cn=Ada Lovelace,ou=people,dc=example,dc=com
objectClass: inetOrgPerson
cn: Ada Lovelace
sn: Lovelace
mail: ada@example.com

dn: cn=Charles Babbage,ou=people,dc=example,dc=com
objectClass: inetOrgPerson
cn: Charles Babbage
sn: Babbage
)";

// What one synchronous search brought back.
struct Outcome {
    int result = LDAP_OTHER;
    std::vector<std::string> dns;
    std::vector<std::string> references;
};

ldapapi::Handle Connect(const std::string& url) {
    LDAP* raw = nullptr;
    EXPECT_EQ(ldap_initialize(&raw, url.c_str()), LDAP_SUCCESS);
    ldapapi::Handle handle(raw);
    const int version = LDAP_VERSION3;
    ldap_set_option(raw, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(raw, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    timeval network{2, 0};
    ldap_set_option(raw, LDAP_OPT_NETWORK_TIMEOUT, &network);
    return handle;
}

std::vector<std::string> References(LDAP* handle, LDAPMessage* reference) {
    char** urls = nullptr;
    std::vector<std::string> found;
    if (ldap_parse_reference(handle, reference, &urls, nullptr, 0) == LDAP_SUCCESS && urls) {
        for (char** url = urls; *url != nullptr; ++url) {
            found.emplace_back(*url);
        }
        ldap_memvfree(reinterpret_cast<void**>(urls));
    }
    return found;
}

Outcome Search(const std::string& url, const std::string& base, int scope = LDAP_SCOPE_SUBTREE,
               const char* filter = "(objectClass=*)", int seconds = 5) {
    Outcome outcome;
    ldapapi::Handle handle = Connect(url);
    timeval timeout{seconds, 0};
    LDAPMessage* raw = nullptr;
    outcome.result = ldap_search_ext_s(handle.get(), base.c_str(), scope, filter, nullptr, 0,
                                       nullptr, nullptr, &timeout, 0, &raw);
    ldapapi::Message result(raw);
    // libldap asserts on an empty chain, which a failed search leaves.
    LDAPMessage* first = raw != nullptr ? ldap_first_message(handle.get(), raw) : nullptr;
    for (LDAPMessage* message = first; message != nullptr;
         message = ldap_next_message(handle.get(), message)) {
        if (ldap_msgtype(message) == LDAP_RES_SEARCH_ENTRY) {
            outcome.dns.push_back(ldapapi::EntryDN(handle.get(), message));
        } else if (ldap_msgtype(message) == LDAP_RES_SEARCH_REFERENCE) {
            for (const std::string& reference : References(handle.get(), message)) {
                outcome.references.push_back(reference);
            }
        }
    }
    return outcome;
}

int Bind(const std::string& url, const std::string& dn, const std::string& password) {
    ldapapi::Handle handle = Connect(url);
    return ldapapi::SimpleBindS(handle.get(), dn.c_str(), password.c_str());
}

bool Accepts(int port) {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return connected;
}

class PeopleDirectoryTest : public SlapdTest {
protected:
    void Configure(TestDirectory& people) override { people.LoadLdif(kPeople); }
};

TEST_F(PeopleDirectoryTest, ServesLoadedEntriesToAnonymousSearches) {
    EXPECT_TRUE(directory.IsRunning());
    EXPECT_EQ(directory.Host(), "127.0.0.1");
    EXPECT_EQ(directory.Url(), "ldap://127.0.0.1:" + std::to_string(directory.Port()));

    const Outcome all = Search(directory.Url(), "dc=example,dc=com");
    EXPECT_EQ(all.result, LDAP_SUCCESS);
    EXPECT_EQ(all.dns,
              (std::vector<std::string>{"dc=example,dc=com", "ou=people,dc=example,dc=com",
                                        "cn=Ada Lovelace,ou=people,dc=example,dc=com",
                                        "cn=Charles Babbage,ou=people,dc=example,dc=com"}));

    const Outcome ada =
        Search(directory.Url(), "dc=example,dc=com", LDAP_SCOPE_SUBTREE, "(mail=ada@example.com)");
    EXPECT_EQ(ada.dns, (std::vector<std::string>{"cn=Ada Lovelace,ou=people,dc=example,dc=com"}));

    EXPECT_EQ(Search(directory.Url(), "ou=nobody,dc=example,dc=com").result, LDAP_NO_SUCH_OBJECT);
}

TEST_F(PeopleDirectoryTest, AcceptsTheRootDNAndRefusesAWrongPassword) {
    EXPECT_EQ(Bind(directory.Url(), directory.RootDN(), "secret"), LDAP_SUCCESS);
    EXPECT_EQ(Bind(directory.Url(), "cn=admin,dc=example,dc=com", "wrong"),
              LDAP_INVALID_CREDENTIALS);
    EXPECT_EQ(Bind(directory.Url(), "", ""), LDAP_SUCCESS);
}

TEST_F(PeopleDirectoryTest, StopsAndRestartsOnTheSamePortWithItsData) {
    const int port = directory.Port();
    ASSERT_TRUE(directory.ApplyLdif("dn: cn=Grace Hopper,ou=people,dc=example,dc=com\n"
                                    "objectClass: inetOrgPerson\ncn: Grace Hopper\nsn: Hopper\n"));
    ASSERT_TRUE(directory.Stop());
    EXPECT_FALSE(directory.IsRunning());
    EXPECT_FALSE(Accepts(port));
    EXPECT_EQ(Search(directory.Url(), "dc=example,dc=com").result, LDAP_SERVER_DOWN);

    ASSERT_TRUE(directory.Restart());
    EXPECT_TRUE(directory.IsRunning());
    EXPECT_EQ(directory.Port(), port);
    const Outcome grace =
        Search(directory.Url(), "dc=example,dc=com", LDAP_SCOPE_SUBTREE, "(sn=Hopper)");
    EXPECT_EQ(grace.dns, (std::vector<std::string>{"cn=Grace Hopper,ou=people,dc=example,dc=com"}));

    ASSERT_TRUE(directory.Restart());
    EXPECT_EQ(Search(directory.Url(), "dc=example,dc=com").dns.size(), 5u);
}

TEST_F(PeopleDirectoryTest, PausedServerAcceptsButDoesNotAnswer) {
    ASSERT_TRUE(directory.Pause());
    EXPECT_TRUE(directory.IsPaused());
    EXPECT_TRUE(directory.IsRunning());
    EXPECT_TRUE(Accepts(directory.Port()));
    EXPECT_EQ(
        Search(directory.Url(), "dc=example,dc=com", LDAP_SCOPE_BASE, "(objectClass=*)", 1).result,
        LDAP_TIMEOUT);

    ASSERT_TRUE(directory.Resume());
    EXPECT_FALSE(directory.IsPaused());
    EXPECT_EQ(Search(directory.Url(), "dc=example,dc=com").dns.size(), 4u);
}

TEST_F(PeopleDirectoryTest, StopsAPausedServer) {
    ASSERT_TRUE(directory.Pause());
    ASSERT_TRUE(directory.Stop());
    EXPECT_FALSE(directory.IsRunning());
    EXPECT_FALSE(directory.IsPaused());
}

// The second server holds what a referral object in the first points to, the way referral
// chains between servers are tested.
TEST(TestDirectoryTest, RunsTwoServersWithAReferralBetweenThem) {
    TestDirectory other("dc=other,dc=com");
    other.LoadLdif("dn: ou=people,dc=other,dc=com\nobjectClass: organizationalUnit\nou: people\n\n"
                   "dn: cn=Alan Turing,ou=people,dc=other,dc=com\nobjectClass: inetOrgPerson\n"
                   "cn: Alan Turing\nsn: Turing\n");
    ASSERT_TRUE(other.Start());

    TestDirectory first;
    const std::string target = other.UrlFor("ou=people,dc=other,dc=com");
    first.LoadLdif("dn: ou=elsewhere,dc=example,dc=com\nobjectClass: referral\n"
                   "objectClass: extensibleObject\nou: elsewhere\nref: " +
                   target + "\n");
    ASSERT_TRUE(first.Start());
    EXPECT_NE(first.Port(), other.Port());

    const Outcome search = Search(first.Url(), "dc=example,dc=com");
    EXPECT_EQ(search.result, LDAP_SUCCESS);
    EXPECT_EQ(search.dns, (std::vector<std::string>{"dc=example,dc=com"}));
    ASSERT_EQ(search.references.size(), 1u);
    EXPECT_EQ(search.references[0], target + "??sub");

    EXPECT_EQ(Search(first.Url(), "cn=x,ou=elsewhere,dc=example,dc=com").result, LDAP_REFERRAL);

    const Outcome followed =
        Search(other.Url(), "ou=people,dc=other,dc=com", LDAP_SCOPE_SUBTREE, "(sn=Turing)");
    EXPECT_EQ(followed.dns, (std::vector<std::string>{"cn=Alan Turing,ou=people,dc=other,dc=com"}));
}

TEST(TestDirectoryTest, AddsReferralObjectsWhileRunning) {
    TestDirectory directory;
    ASSERT_TRUE(directory.Start());
    ASSERT_TRUE(directory.ApplyLdif("dn: ou=moved,dc=example,dc=com\nobjectClass: referral\n"
                                    "objectClass: extensibleObject\nou: moved\n"
                                    "ref: ldap://127.0.0.1:1/ou=moved,dc=elsewhere\n"));
    const Outcome search = Search(directory.Url(), "dc=example,dc=com");
    EXPECT_EQ(search.references,
              (std::vector<std::string>{"ldap://127.0.0.1:1/ou=moved,dc=elsewhere??sub"}));
}

TEST(TestDirectoryTest, RemovesServerAndFolderWhenItGoes) {
    std::string folder;
    int port = 0;
    {
        TestDirectory directory;
        ASSERT_TRUE(directory.Start());
        folder = directory.Folder();
        port = directory.Port();
        EXPECT_TRUE(std::filesystem::exists(folder + "/slapd.conf"));
        ASSERT_TRUE(directory.Pause());
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_FALSE(Accepts(port));
}

// A test that crashed takes its server with it but cannot remove its folder; the next start does.
TEST(TestDirectoryTest, ClearsAwayFoldersOfEndedTests) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    TestDirectory directory;
    ASSERT_TRUE(directory.Start());
    const std::filesystem::path parent = std::filesystem::path(directory.Folder()).parent_path();
    const std::filesystem::path left = parent / ("larkspur-slapd-" + std::to_string(child) + "-x");
    const std::filesystem::path alien = parent / "larkspur-slapd-notapid";
    std::filesystem::create_directories(left / "db");
    std::filesystem::create_directories(alien);

    TestDirectory next;
    ASSERT_TRUE(next.Start());
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(alien));
    EXPECT_TRUE(std::filesystem::exists(directory.Folder()));
    std::filesystem::remove_all(alien);
}

TEST(TestDirectoryTest, TakesItsSuffixAndConfiguration) {
    TestDirectory directory("o=Calder Institute,c=GB");
    directory.AddGlobalConfig("sizelimit 2")
        .AddDatabaseConfig("index cn eq")
        .LoadLdif("dn: ou=a,o=Calder Institute,c=GB\nobjectClass: organizationalUnit\nou: a\n\n"
                  "dn: ou=b,o=Calder Institute,c=GB\nobjectClass: organizationalUnit\nou: b\n");
    ASSERT_TRUE(directory.Start());
    EXPECT_EQ(directory.RootDN(), "cn=admin,o=Calder Institute,c=GB");
    EXPECT_EQ(directory.UrlFor("o=Calder Institute,c=GB"),
              directory.Url() + "/o=Calder%20Institute,c=GB");
    const Outcome limited = Search(directory.Url(), "o=Calder Institute,c=GB");
    EXPECT_EQ(limited.result, LDAP_SIZELIMIT_EXCEEDED);
    EXPECT_EQ(limited.dns.size(), 2u);
}

TEST(TestDirectoryTest, StartsEmptyWithoutASuffixEntry) {
    TestDirectory directory;
    directory.WithoutSuffixEntry();
    ASSERT_TRUE(directory.Start());
    EXPECT_EQ(Search(directory.Url(), "dc=example,dc=com").result, LDAP_NO_SUCH_OBJECT);
}

TEST(TestDirectoryTest, ReportsWhySlapdWouldNotStart) {
    TestDirectory directory;
    directory.AddDatabaseConfig("nosuchdirective on");
    bool started = true;
    EXPECT_NONFATAL_FAILURE(started = directory.Start(), "nosuchdirective");
    EXPECT_FALSE(started);
    EXPECT_FALSE(directory.IsRunning());
}

TEST(TestDirectoryTest, ReportsBadLdif) {
    TestDirectory directory;
    directory.LoadLdif("dn: cn=orphan,ou=missing,dc=example,dc=com\nobjectClass: person\n");
    bool started = true;
    EXPECT_NONFATAL_FAILURE(started = directory.Start(), "slapadd");
    EXPECT_FALSE(started);
}

} // namespace
