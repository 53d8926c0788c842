// TestDirectory: a real, throwaway slapd on 127.0.0.1 for one test or fixture. It owns the server
// process and its private folder (configuration, database, log) and removes both when it goes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>
#include <vector>

namespace larkspur::test {

// Runs a program to its end with stdin from /dev/null and stdout and stderr appended to output;
// returns its wait status (0 for a clean exit), -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv, const std::string& output);

class TestDirectory {
public:
    static constexpr const char* kDefaultSuffix = "dc=example,dc=com";
    static constexpr const char* kRootPassword = "secret";
    static constexpr const char* kHost = "127.0.0.1";

    // Nothing runs until Start. The root DN is "cn=admin,<suffix>" with the password "secret";
    // everyone, anonymous included, may read everything.
    explicit TestDirectory(std::string suffix = kDefaultSuffix);
    ~TestDirectory();
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    // Set-up before Start. LDIF is loaded with slapadd in the order given, so referral objects
    // (objectClass referral + extensibleObject with ref:) are stored as they are written.
    TestDirectory& LoadLdifFile(const std::string& path);
    TestDirectory& LoadLdif(const std::string& text);
    // The suffix entry is made for dc=, o=, ou=, c= and l= suffixes unless this is called (then
    // the LDIF is expected to bring it, or the tree starts empty).
    TestDirectory& WithoutSuffixEntry();
    // A further schema file, included after core, cosine, inetorgperson and larkspur.schema.
    TestDirectory& AddSchema(const std::string& path);
    // A line for slapd.conf's global section, e.g. "idletimeout 2", "sizelimit unlimited",
    // "referral ldap://127.0.0.1:1234/".
    TestDirectory& AddGlobalConfig(const std::string& line);
    // A line for the database section, e.g. "index cn eq,sub", "limits * size=5", or an
    // "access to" rule, which takes precedence over the default read-for-all rule.
    TestDirectory& AddDatabaseConfig(const std::string& line);
    // Listens on the IPv6 loopback address [::1] too, on the same port.
    TestDirectory& ListenOnIPv6Loopback();
    // Whether this machine has an IPv6 loopback address to listen on.
    static bool HasIPv6Loopback();

    // Serves TLS with this certificate and key: StartTLS on the ldap:// port and TLS from the
    // start on a second, ldaps:// port.
    TestDirectory& WithTls(const std::string& certificateFile, const std::string& keyFile);
    // Refuses anonymous binds and every operation before a bind; the person "cn=Reader,<suffix>"
    // with the given password may bind and read. Needs a dc=, o=, ou=, c= or l= suffix entry.
    TestDirectory& RequireSignIn(const std::string& password);
    std::string ReaderDN() const { return "cn=Reader," + suffix; }

    // Makes the folder, writes slapd.conf, loads the LDIF and starts slapd on a free port, then
    // waits until it answers an anonymous search. On failure it records a test failure with
    // slapd's output and returns false.
    bool Start();
    // Ends the server and waits for it; the database and the port are kept for Restart.
    bool Stop();
    // Stops the server if it runs and starts it again on the same port with the same data.
    bool Restart();
    // Freezes the server (SIGSTOP) to stand in for a hung one: connections are accepted by the
    // kernel but nothing is answered until Resume (SIGCONT).
    bool Pause();
    bool Resume();
    // Ends the server at once (SIGKILL), as a crash would, even while it is paused, so that
    // nothing it still held is answered; Restart brings it back.
    void Crash() { Kill(); }
    bool IsRunning() const;
    bool IsPaused() const { return paused; }

    // While running: applies LDIF through ldapmodify as the root DN, with the ManageDsaIT
    // control so referral objects are written as entries. Records without a changetype are
    // adds. Records a test failure with ldapmodify's output and returns false on failure.
    bool ApplyLdif(const std::string& text);

    const std::string& Suffix() const { return suffix; }
    std::string RootDN() const { return "cn=admin," + suffix; }
    std::string RootPassword() const { return kRootPassword; }
    std::string Host() const { return kHost; }
    // 0 until the first Start.
    int Port() const { return port; }
    // "ldap://127.0.0.1:PORT"
    std::string Url() const;
    // The ldaps:// port (0 without TLS) and "ldaps://127.0.0.1:PORT".
    int LdapsPort() const { return ldapsPort; }
    std::string LdapsUrl() const;
    // "ldap://[::1]:PORT", where ListenOnIPv6Loopback was called.
    std::string IPv6Url() const;
    // "ldap://127.0.0.1:PORT/<dn>", the DN escaped for a URL: what a ref: value or a search
    // class's base point names.
    std::string UrlFor(const std::string& dn) const;
    // The private folder (empty before Start).
    const std::string& Folder() const { return folder; }
    // What slapd has written to its stderr so far.
    std::string ServerLog() const;

private:
    bool MakeFolder();
    bool WriteConfig();
    bool LoadInitialData();
    // Starts slapd on the current port; addressInUse tells whether the port was taken.
    bool Launch(bool& addressInUse);
    std::string ListenerUrls() const;
    bool LaunchOnFreePort();
    bool WaitUntilAnswering();
    void Kill();
    void Fail(const std::string& what) const;
    std::string Path(const std::string& name) const;
    std::string WriteTempFile(const std::string& text);
    std::string SuffixEntryLdif() const;
    bool RunTool(const std::vector<std::string>& argv, const std::string& what);

    // One LDIF to load before the first start: a file, or inline text.
    struct LdifSource {
        bool isFile;
        std::string content;
    };

    std::string suffix;
    bool makeSuffixEntry = true;
    std::vector<LdifSource> ldifSources;
    std::vector<std::string> schemas;
    std::vector<std::string> globalConfig;
    std::vector<std::string> databaseConfig;
    bool tls = false;
    bool listenOnIPv6 = false;

    std::string folder;
    int port = 0;
    int ldapsPort = 0;
    pid_t pid = -1;
    bool started = false;
    bool paused = false;
    int tempFiles = 0;
};

// A fixture with one started TestDirectory per test; override Configure to load data or add
// configuration before the server starts.
class SlapdTest : public ::testing::Test {
protected:
    explicit SlapdTest(std::string suffix = TestDirectory::kDefaultSuffix)
        : directory(std::move(suffix)) {}

    virtual void Configure(TestDirectory& /*directory*/) {}
    void SetUp() override;

    TestDirectory directory;
};

} // namespace larkspur::test
