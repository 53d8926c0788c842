#include "support/testdirectory.h"

#include "access/ldapapi.h"
#include "support/testdata.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string_view>
#include <thread>

extern char** environ;

namespace larkspur::test {

namespace {

using Clock = std::chrono::steady_clock;

// Generous, because the suite runs in parallel under the sanitizers on small machines.
constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(10);
constexpr auto kPollInterval = std::chrono::milliseconds(5);
constexpr int kPortAttempts = 10;

const char* const kSystemSchemas[] = {
    "/etc/ldap/schema/core.schema",
    "/etc/ldap/schema/cosine.schema",
    "/etc/ldap/schema/inetorgperson.schema",
};

// Debian builds the mdb backend as a loadable module; other builds may link it in.
constexpr const char* kModulePath = "/usr/lib/ldap";
constexpr const char* kMdbModule = "/usr/lib/ldap/back_mdb.la";

// slapd's "none" debug level: only its uncategorised messages, which include every reason it
// refuses to start, without a line per operation.
constexpr const char* kSlapdDebugLevel = "32768";

constexpr const char* kAddressInUse = "Address already in use";

// The environment for child tools, with the user's ldaprc and ldap.conf ignored so that nothing
// outside the test changes what ldapmodify does.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    variables.emplace_back("LDAPNOINIT=1");
    return variables;
}

std::vector<char*> PointerArray(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Starts a program with stdin from /dev/null and stdout and stderr appended to output. The
// child dies with the test process, so a crashing test never leaves a server behind.
pid_t Spawn(std::vector<std::string> argv, const std::string& output) {
    std::vector<std::string> environment = ChildEnvironment();
    std::vector<char*> args = PointerArray(argv);
    std::vector<char*> envp = PointerArray(environment);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0) {
        return child;
    }
    // Only async-signal-safe calls from here to exec.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) {
        _exit(127);
    }
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (in < 0 || out < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 ||
        dup2(out, STDERR_FILENO) < 0) {
        _exit(127);
    }
    execve(args[0], args.data(), envp.data());
    _exit(127);
}

int WaitForExitStatus(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

// Waits up to timeout for the child to end; true when it has (and has been reaped).
bool WaitForExit(pid_t pid, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool HasExited(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid != 0;
}

std::string DescribeStatus(int status) {
    if (WIFEXITED(status)) {
        return "exit code " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return "status " + std::to_string(status);
}

bool CanListenOn(int port) {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    if (probe < 0) {
        return false;
    }
    // slapd listens with SO_REUSEADDR too, so a port in TIME_WAIT counts as free.
    const int on = 1;
    setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return free;
}

int EphemeralPortFloor() {
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int low = 0;
    range >> low;
    return low > 0 ? low : 32768;
}

// A free port below the kernel's ephemeral range, so that no outgoing connection can take it
// while a stopped server waits to be restarted on it.
int PickFreePort() {
    constexpr int kLowest = 10000;
    const int highest = std::max(kLowest + 1000, EphemeralPortFloor() - 1);
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(kLowest, highest);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int port = pick(generator);
        if (CanListenOn(port)) {
            return port;
        }
    }
    return 0;
}

const std::string kFolderPrefix = "larkspur-slapd-";

std::filesystem::path TemporaryParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// The servers of a test that crashed die with it, but its folder stays behind; the folder
// names carry the test's process id so that later runs can clear them away.
void RemoveFoldersOfEndedTests(const std::filesystem::path& parent) {
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(parent, error)) {
        const std::string name = item.path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0) {
            continue;
        }
        char* end = nullptr;
        const long owner = std::strtol(name.c_str() + kFolderPrefix.size(), &end, 10);
        if (owner > 0 && *end == '-' && kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove_all(item.path(), ignored);
        }
    }
}

std::string Quoted(const std::string& value) {
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Whether an anonymous base search of the suffix gets any answer at all.
bool Answers(const std::string& url, const std::string& base) {
    LDAP* raw = nullptr;
    if (ldap_initialize(&raw, url.c_str()) != LDAP_SUCCESS) {
        return false;
    }
    harrow::ldapapi::Handle handle(raw);
    const int version = LDAP_VERSION3;
    ldap_set_option(raw, LDAP_OPT_PROTOCOL_VERSION, &version);
    timeval timeout{1, 0};
    ldap_set_option(raw, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    char noAttributes[] = LDAP_NO_ATTRS;
    char* attributes[] = {noAttributes, nullptr};
    LDAPMessage* result = nullptr;
    const int rc = ldap_search_ext_s(raw, base.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)",
                                     attributes, 0, nullptr, nullptr, &timeout, 1, &result);
    harrow::ldapapi::Message owned(result);
    return rc >= 0;
}

} // namespace

int RunProgram(const std::vector<std::string>& argv, const std::string& output) {
    const pid_t child = Spawn(argv, output);
    return child < 0 ? -1 : WaitForExitStatus(child);
}

TestDirectory::TestDirectory(std::string suffix) : suffix(std::move(suffix)) {}

TestDirectory::~TestDirectory() {
    Kill();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

TestDirectory& TestDirectory::LoadLdifFile(const std::string& path) {
    ldifSources.push_back({true, path});
    return *this;
}

TestDirectory& TestDirectory::LoadLdif(const std::string& text) {
    ldifSources.push_back({false, text});
    return *this;
}

TestDirectory& TestDirectory::WithoutSuffixEntry() {
    makeSuffixEntry = false;
    return *this;
}

TestDirectory& TestDirectory::AddSchema(const std::string& path) {
    schemas.push_back(path);
    return *this;
}

TestDirectory& TestDirectory::AddGlobalConfig(const std::string& line) {
    globalConfig.push_back(line);
    return *this;
}

TestDirectory& TestDirectory::AddDatabaseConfig(const std::string& line) {
    databaseConfig.push_back(line);
    return *this;
}

TestDirectory& TestDirectory::WithTls(const std::string& certificateFile,
                                      const std::string& keyFile) {
    tls = true;
    globalConfig.push_back("TLSCertificateFile " + certificateFile);
    globalConfig.push_back("TLSCertificateKeyFile " + keyFile);
    return *this;
}

TestDirectory& TestDirectory::RequireSignIn(const std::string& password) {
    globalConfig.push_back("disallow bind_anon");
    globalConfig.push_back("require authc");
    ldifSources.push_back({false, "dn: " + ReaderDN() +
                                      "\nobjectClass: person\ncn: Reader\nsn: Reader\n"
                                      "userPassword: " +
                                      password + "\n"});
    return *this;
}

bool TestDirectory::Start() {
    if (started) {
        Fail("Start called twice; use Restart to start a stopped server again");
        return false;
    }
    started = true;
    return MakeFolder() && WriteConfig() && LoadInitialData() && LaunchOnFreePort();
}

bool TestDirectory::Stop() {
    if (pid < 0) {
        return true;
    }
    if (paused) {
        Resume();
    }
    kill(pid, SIGTERM);
    const bool ended = WaitForExit(pid, kStopTimeout);
    if (!ended) {
        Kill();
        Fail("slapd did not stop on SIGTERM and was killed");
    }
    pid = -1;
    return ended;
}

bool TestDirectory::Restart() {
    if (!started || port == 0) {
        Fail("Restart before a successful Start");
        return false;
    }
    if (!Stop()) {
        return false;
    }
    // The old listener may take a moment to be released by the kernel.
    const auto deadline = Clock::now() + kStartTimeout;
    for (;;) {
        bool addressInUse = false;
        if (Launch(addressInUse)) {
            return true;
        }
        if (!addressInUse || Clock::now() >= deadline) {
            Fail("slapd did not restart on port " + std::to_string(port));
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool TestDirectory::Pause() {
    if (!IsRunning() || paused) {
        Fail(paused ? "Pause of a paused server" : "Pause of a server that is not running");
        return false;
    }
    kill(pid, SIGSTOP);
    int status = 0;
    // Returns once the server has really stopped, so the test's next request finds it hung.
    if (waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) {
        Fail("slapd did not stop on SIGSTOP");
        return false;
    }
    paused = true;
    return true;
}

bool TestDirectory::Resume() {
    if (!paused) {
        Fail("Resume of a server that is not paused");
        return false;
    }
    kill(pid, SIGCONT);
    int status = 0;
    waitpid(pid, &status, WCONTINUED);
    paused = false;
    return true;
}

bool TestDirectory::IsRunning() const {
    return pid > 0 && !HasExited(pid);
}

bool TestDirectory::ApplyLdif(const std::string& text) {
    if (!IsRunning() || paused) {
        Fail("ApplyLdif needs a running, unpaused server");
        return false;
    }
    const std::string file = WriteTempFile(text);
    return RunTool({"/usr/bin/ldapmodify", "-x", "-a", "-M", "-H", Url(), "-D", RootDN(), "-w",
                    RootPassword(), "-o", "nettimeout=10", "-f", file},
                   "ldapmodify");
}

std::string TestDirectory::Url() const {
    return "ldap://" + Host() + ":" + std::to_string(port);
}

std::string TestDirectory::LdapsUrl() const {
    return "ldaps://" + Host() + ":" + std::to_string(ldapsPort);
}

std::string TestDirectory::ListenerUrls() const {
    std::string urls = Url() + "/";
    if (listenOnIPv6) {
        urls += " " + IPv6Url() + "/";
    }
    if (tls) {
        urls += " " + LdapsUrl() + "/";
    }
    return urls;
}

std::string TestDirectory::IPv6Url() const {
    return "ldap://[::1]:" + std::to_string(port);
}

TestDirectory& TestDirectory::ListenOnIPv6Loopback() {
    listenOnIPv6 = true;
    return *this;
}

bool TestDirectory::HasIPv6Loopback() {
    const int fd = socket(AF_INET6, SOCK_STREAM, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

std::string TestDirectory::UrlFor(const std::string& dn) const {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : dn) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string_view("-._~,=+;").find(c) != std::string_view::npos) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        }
    }
    return Url() + "/" + escaped;
}

std::string TestDirectory::ServerLog() const {
    return folder.empty() ? std::string() : ReadFile(Path("slapd.log"));
}

bool TestDirectory::MakeFolder() {
    const std::filesystem::path parent = TemporaryParent();
    RemoveFoldersOfEndedTests(parent);
    std::string pattern =
        (parent / (kFolderPrefix + std::to_string(getpid()) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        Fail("cannot create a temporary folder from " + pattern);
        return false;
    }
    folder = pattern;
    std::error_code error;
    std::filesystem::create_directory(Path("db"), error);
    if (error) {
        Fail("cannot create the database folder: " + error.message());
        return false;
    }
    return true;
}

bool TestDirectory::WriteConfig() {
    std::ofstream config(Path("slapd.conf"));
    for (const char* schema : kSystemSchemas) {
        config << "include " << schema << "\n";
    }
    config << "include " << DataPath("ldap/larkspur.schema") << "\n";
    for (const std::string& schema : schemas) {
        config << "include " << schema << "\n";
    }
    config << "pidfile " << Path("slapd.pid") << "\n"
           << "argsfile " << Path("slapd.args") << "\n";
    if (std::filesystem::exists(kMdbModule)) {
        config << "modulepath " << kModulePath << "\n"
               << "moduleload back_mdb\n";
    }
    for (const std::string& line : globalConfig) {
        config << line << "\n";
    }
    config << "database mdb\n"
           // Address space only; the file grows as entries arrive, up to large benchmarks.
           << "maxsize 4294967296\n"
           << "suffix " << Quoted(suffix) << "\n"
           << "rootdn " << Quoted(RootDN()) << "\n"
           << "rootpw " << RootPassword() << "\n"
           << "directory " << Path("db") << "\n";
    for (const std::string& line : databaseConfig) {
        config << line << "\n";
    }
    config << "access to * by * read\n";
    config.close();
    if (!config) {
        Fail("cannot write " + Path("slapd.conf"));
        return false;
    }
    return true;
}

bool TestDirectory::LoadInitialData() {
    std::vector<std::string> files;
    if (makeSuffixEntry) {
        const std::string entry = SuffixEntryLdif();
        if (entry.empty()) {
            Fail("no suffix entry can be made for \"" + suffix +
                 "\"; call WithoutSuffixEntry and load it as LDIF");
            return false;
        }
        files.push_back(WriteTempFile(entry));
    }
    for (const LdifSource& source : ldifSources) {
        files.push_back(source.isFile ? source.content : WriteTempFile(source.content));
    }
    for (const std::string& file : files) {
        if (!RunTool({"/usr/sbin/slapadd", "-q", "-f", Path("slapd.conf"), "-l", file},
                     "slapadd of " + file)) {
            return false;
        }
    }
    return true;
}

bool TestDirectory::LaunchOnFreePort() {
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        port = PickFreePort();
        ldapsPort = tls ? PickFreePort() : 0;
        if (port == 0 || (tls && (ldapsPort == 0 || ldapsPort == port))) {
            break;
        }
        bool addressInUse = false;
        if (Launch(addressInUse)) {
            return true;
        }
        if (!addressInUse) {
            Fail("slapd did not start on port " + std::to_string(port));
            return false;
        }
    }
    Fail("no free port found for slapd");
    return false;
}

bool TestDirectory::Launch(bool& addressInUse) {
    const std::string log = Path("slapd.log");
    const std::size_t logBefore = ReadFile(log).size();
    pid = Spawn(
        {"/usr/sbin/slapd", "-f", Path("slapd.conf"), "-h", ListenerUrls(), "-d", kSlapdDebugLevel},
        log);
    if (pid < 0) {
        return false;
    }
    if (WaitUntilAnswering()) {
        return true;
    }
    Kill();
    const std::string output = ReadFile(log);
    addressInUse = output.find(kAddressInUse, logBefore) != std::string::npos;
    return false;
}

bool TestDirectory::WaitUntilAnswering() {
    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        if (HasExited(pid)) {
            return false;
        }
        if (Answers(Url(), suffix)) {
            return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return false;
}

void TestDirectory::Kill() {
    if (pid < 0) {
        return;
    }
    kill(pid, SIGKILL);
    WaitForExitStatus(pid);
    pid = -1;
    paused = false;
}

void TestDirectory::Fail(const std::string& what) const {
    ADD_FAILURE() << "TestDirectory (" << suffix << ", " << folder << "): " << what
                  << "\n--- slapd output ---\n"
                  << ServerLog() << "--- end of slapd output ---";
}

std::string TestDirectory::Path(const std::string& name) const {
    return folder + "/" + name;
}

std::string TestDirectory::WriteTempFile(const std::string& text) {
    const std::string path = Path("input-" + std::to_string(++tempFiles) + ".ldif");
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string TestDirectory::SuffixEntryLdif() const {
    const std::size_t equals = suffix.find('=');
    const std::size_t end = suffix.find(',');
    if (equals == std::string::npos || equals > end || suffix.find_first_of("\\+") < end) {
        return {};
    }
    const std::string type = Lower(suffix.substr(0, equals));
    const std::string value =
        suffix.substr(equals + 1, end == std::string::npos ? end : end - equals - 1);
    std::ostringstream entry;
    entry << "dn: " << suffix << "\n";
    if (type == "dc") {
        entry << "objectClass: dcObject\nobjectClass: organization\no: " << value << "\n";
    } else if (type == "o") {
        entry << "objectClass: organization\n";
    } else if (type == "ou") {
        entry << "objectClass: organizationalUnit\n";
    } else if (type == "c") {
        entry << "objectClass: country\n";
    } else if (type == "l") {
        entry << "objectClass: locality\n";
    } else {
        return {};
    }
    entry << type << ": " << value << "\n";
    return entry.str();
}

bool TestDirectory::RunTool(const std::vector<std::string>& argv, const std::string& what) {
    const std::string output = Path("tool.log");
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    const int status = RunProgram(argv, output);
    if (status == 0) {
        return true;
    }
    ADD_FAILURE() << "TestDirectory (" << suffix << ", " << folder << "): " << what
                  << " failed with " << DescribeStatus(status) << "\n"
                  << ReadFile(output);
    return false;
}

void SlapdTest::SetUp() {
    Configure(directory);
    ASSERT_TRUE(directory.Start()) << "the test directory server did not start";
}

} // namespace larkspur::test
