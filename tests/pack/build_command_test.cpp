// build, inspect and extract on real MSIs (wixl, msibuild, gcab): the lines
// read from the databases, the launcher's own choice, the files that come
// back, byte-identical rebuilds, and bad input that leaves nothing behind.
#include <regex>

#include "tests/pack/pack_fixture.h"

namespace {

const char kCode64[] = "{0D9E8F7A-6B5C-4D3E-9F21-0A1B2C3D4E5F}";
const char kCode32[] = "{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}";

// One set of inputs for the whole suite: making MSIs takes a while.
struct Inputs {
    ScratchFolder folder;
    std::string key, launcher, x64, x86en, x86de;
};
Inputs* inputs = nullptr;

class PackCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        inputs = new Inputs;
        const ScratchFolder& f = inputs->folder;
        inputs->key = MakePayloadKey(f, "payload");
        inputs->launcher = MakeLauncher(f, "msilaunch.exe", inputs->key);
        // x64 and English x86 have the same cabinet bytes (it is shared); the
        // German x86 one differs under the same name.
        inputs->x64 = MakeProductMsi(f, "x64", {"x64", "1033,1031", kCode64, "Example 64"});
        inputs->x86en = MakeProductMsi(f, "x86-en", {"x86", "1033", kCode32, "Example 32"});
        inputs->x86de = MakeProductMsi(f, "x86-de", {"x86", "1031", kCode32, "Beispiel 32", "data1.cab", 70000});
    }
    static void TearDownTestSuite()
    {
        delete inputs;
        inputs = nullptr;
    }

    std::vector<std::string> BuildArguments(const std::string& out)
    {
        return {"build", "--launcher", inputs->launcher, "--key", inputs->key, "--out", out, "--quiet"};
    }
};

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Folder(const std::string& msi)
{
    return msi.substr(0, msi.rfind('/') + 1);
}

// "MSI line N ... (... pass)" of inspect's choice, as "N pass".
std::string ChoiceOf(const std::string& inspectOutput)
{
    std::smatch match;
    if (!std::regex_search(inspectOutput, match, std::regex("MSI line ([0-9]+) of source 0, .*\\((\\w+) pass\\)"))) {
        return "none";
    }
    return match[1].str() + " " + match[2].str();
}

}  // namespace

TEST_F(PackCommands, BuildsFromMsisAndTheLaunchersOwnCodeReadsItBack)
{
    ScratchFolder out;
    const std::string setup = out.Path("setup.exe");
    ToolRun build = RunPack(Plus(BuildArguments(setup), {inputs->x64, inputs->x86en, inputs->x86de}));
    ASSERT_EQ(build.exitCode, 0) << build.err;

    ToolRun inspect = RunPack({"inspect", setup});
    ASSERT_EQ(inspect.exitCode, 0) << inspect.out << inspect.err;
    for (const std::string& line : {
             std::string("0:1000   MSI   x64\\1033;1031\\") + kCode64 + "\\Example 64",
             std::string("0:1001   MSI   Intel\\1033\\") + kCode32 + "\\Example 32",
             std::string("0:1002   MSI   Intel\\1031\\") + kCode32 + "\\Beispiel 32",
             std::string("0:1003   CAB   cab\\1000;1001\\data1.cab"),
             std::string("0:1004   CAB   cab\\1002\\data1.cab"),
         }) {
        EXPECT_NE(inspect.out.find(line), std::string::npos) << line << "\n" << inspect.out;
    }
    EXPECT_NE(inspect.out.find("key: the key compiled into the launcher"), std::string::npos);
    EXPECT_EQ(inspect.out.find("does not verify"), std::string::npos);
    std::string order;  // records: the manifest at the head, then ascending ids
    const std::regex record("\\s(manifest|file)\\s+([0-9]+)\\s.*verified");
    for (std::sregex_iterator it(inspect.out.begin(), inspect.out.end(), record), end; it != end; ++it) {
        order += (*it)[2].str() + " ";
    }
    EXPECT_EQ(order, "0 1000 1001 1002 1003 1004 ");

    const struct {
        const char* arch;
        const char* lcid;
        const char* choice;
    } choices[] = {
        {"x64", "1031", "1000 first"},   {"x64", "2055", "1000 second"}, {"x64", "1049", "1000 third"},
        {"Intel", "1031", "1002 first"}, {"Intel", "0x10407", "1002 first"}, {"Intel", "3079", "1002 second"},
        {"Intel", "1033", "1001 first"}, {"Intel", "1049", "1001 third"},
    };
    for (const auto& c : choices) {
        ToolRun run = RunPack({"inspect", setup, "--arch", c.arch, "--lcid", c.lcid});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(ChoiceOf(run.out), c.choice) << c.arch << " " << c.lcid << "\n" << run.out;
    }

    ScratchFolder extracted;
    ToolRun extract = RunPack({"extract", setup, "--to", extracted.Path("de"), "--arch", "Intel", "--lcid", "1031"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(extracted.Files(), (std::vector<std::string>{"de/data1.cab", "de/main.msi"}));
    EXPECT_EQ(ReadAll(extracted.Path("de/main.msi")), ReadAll(inputs->x86de));
    EXPECT_EQ(ReadAll(extracted.Path("de/data1.cab")), ReadAll(Folder(inputs->x86de) + "data1.cab"));

    ToolRun all = RunPack({"extract", setup, "--to", extracted.Path("all"), "--all"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(ReadAll(extracted.Path("all/1001/main.msi")), ReadAll(inputs->x86en));
    EXPECT_EQ(ReadAll(extracted.Path("all/1001/data1.cab")), ReadAll(Folder(inputs->x64) + "data1.cab"));

    // The same inputs give the same bytes.
    ToolRun again = RunPack(Plus(BuildArguments(out.Path("again.exe")), {inputs->x64, inputs->x86en, inputs->x86de}));
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(ReadAll(setup) == ReadAll(out.Path("again.exe")));
}

TEST_F(PackCommands, FieldsGivenByHandNeedNoDatabase)
{
    ScratchFolder out;
    std::string error;
    const std::string blob = out.Path("package.bin"), cab = out.Path("payload.dat");
    ASSERT_TRUE(WriteFileBytes(blob, BytesOf("not a database"), &error) && WriteFileBytes(cab, BytesOf("cab"), &error));
    ToolRun build = RunPack(Plus(BuildArguments(out.Path("setup.exe")),
                                 {blob, "--arch", "intel", "--languages", "1031,3079", "--product-code", "{P}",
                                  "--product-name", "Hand Made", "--cab-as", "Data 1.cab", cab,
                                  // A database's own fields can be overridden one at a time.
                                  inputs->x64, "--product-name", "Renamed", "--no-cabs"}));
    ASSERT_EQ(build.exitCode, 0) << build.err;
    ToolRun inspect = RunPack({"inspect", out.Path("setup.exe"), "--key", inputs->key});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_NE(inspect.out.find("MSI   Intel\\1031;3079\\{P}\\Hand Made"), std::string::npos) << inspect.out;
    EXPECT_NE(inspect.out.find(std::string("MSI   x64\\1033;1031\\") + kCode64 + "\\Renamed"), std::string::npos);
    EXPECT_NE(inspect.out.find("CAB   cab\\1000\\Data 1.cab"), std::string::npos) << inspect.out;
}

TEST_F(PackCommands, EmbeddedCabinetsStayInsideTheirMsi)
{
    ScratchFolder out;
    const std::string msi = out.Path("embedded.msi");
    ASSERT_EQ(RunShell("cp " + Quote(inputs->x64) + " " + Quote(msi) + " && msibuild " + Quote(msi) +
                       " -q \"UPDATE \\`Media\\` SET \\`Cabinet\\` = '#data1.cab'\""),
              0);
    ToolRun build = RunPack(Plus(BuildArguments(out.Path("setup.exe")), {msi}));
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_NE(build.out.find("1 MSI and 0 CABs"), std::string::npos) << build.out;
}

TEST_F(PackCommands, BadInputFailsNamingTheFileAndLeavesNothingBehind)
{
    ScratchFolder work;
    const ScratchFolder& f = inputs->folder;
    std::string error;
    const std::string noCode = work.Path("nocode.msi"), lonely = work.Path("lonely/product.msi");
    ASSERT_EQ(RunShell("cp " + Quote(inputs->x64) + " " + Quote(noCode) + " && msibuild " + Quote(noCode) +
                       " -q \"DELETE FROM \\`Property\\` WHERE \\`Property\\` = 'ProductCode'\""),
              0);
    ASSERT_EQ(RunShell("mkdir " + Quote(work.Path("lonely")) + " && cp " + Quote(inputs->x64) + " " + Quote(lonely)),
              0);
    const std::string text = work.Path("notes.txt");
    ASSERT_TRUE(WriteFileBytes(text, BytesOf("plain text, no image at all"), &error));
    const std::string otherKey = MakePayloadKey(work, "other");
    const std::string smallKey = work.Path("small.pem");
    ASSERT_EQ(RunShell("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out " + Quote(smallKey) +
                       " 2>/dev/null"),
              0);
    const std::string otherLauncher = MakeLauncher(work, "other.exe", otherKey);
    const std::string signedLauncher = SignImage(work, inputs->launcher, "signed.exe");

    const std::string out = work.Path("setup.exe");
    auto with = [&](const std::string& launcher, const std::string& key, std::vector<std::string> rest) {
        return Plus({"build", "--launcher", launcher, "--key", key, "--out", out}, rest);
    };
    const std::string& L = inputs->launcher;
    const std::string& K = inputs->key;
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        std::vector<std::string> mentions;
    } cases[] = {
        {"missing MSI", with(L, K, {f.Path("gone.msi")}), {"gone.msi"}},
        {"missing CAB", with(L, K, {lonely}), {"CAB data1.cab of " + lonely, "No such file"}},
        {"MSI without ProductCode", with(L, K, {noCode}), {noCode, "no ProductCode"}},
        {"not an MSI", with(L, K, {text}), {text, "as an MSI database"}},
        {"same architecture and language", with(L, K, {inputs->x86en, inputs->x86de, "--languages", "1031;1033"}),
         {inputs->x86en, inputs->x86de, "language 1033"}},
        {"backslash in a field", with(L, K, {inputs->x64, "--product-name", "A\\B"}), {inputs->x64, "backslash"}},
        {"field over 255 characters", with(L, K, {inputs->x64, "--product-code", std::string(256, 'c')}),
         {inputs->x64, "256 characters"}},
        {"launcher not PE32", with(text, K, {inputs->x64}), {text, "not a PE32"}},
        {"key not RSA-2048", with(L, smallKey, {inputs->x64}), {smallKey, "RSA-1024"}},
        {"launcher of another key", with(otherLauncher, K, {inputs->x64}), {otherLauncher, "another payload key"}},
        {"signed launcher, end placement", with(signedLauncher, K, {"--placement", "end", inputs->x64}),
         {signedLauncher, "is signed"}},
        {"unsigned launcher, certificate placement", with(L, K, {"--placement", "certificate-table", inputs->x64}),
         {L, "is not signed"}},
        {"unsigned launcher, extension placement", with(L, K, {"--placement", "certificate-extension", inputs->x64}),
         {L, "is not signed"}},
    };
    const std::vector<std::string> before = work.Files();
    for (const auto& c : cases) {
        if (signedLauncher.empty() && c.arguments[2].empty()) continue;
        ToolRun run = RunPack(c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.what << ": " << run.err;
        for (const std::string& mention : c.mentions) {
            EXPECT_NE(run.err.find(mention), std::string::npos) << c.what << ": wanted \"" << mention << "\" in "
                                                                << run.err;
        }
        EXPECT_EQ(work.Files(), before) << c.what << " left a file behind";
    }
    // The output may not replace an input.
    const Bytes launcherBytes = ReadAll(L);
    ToolRun onto = RunPack({"build", "--launcher", L, "--key", K, "--out", L, inputs->x64});
    EXPECT_EQ(onto.exitCode, 1);
    EXPECT_NE(onto.err.find("is one of the inputs"), std::string::npos) << onto.err;
    EXPECT_EQ(ReadAll(L), launcherBytes);
    // Usage errors are told apart from bad input.
    EXPECT_EQ(RunPack({"build", "--arch", "x64"}).exitCode, 2);
    EXPECT_EQ(RunPack(with(L, K, {})).exitCode, 2);
}

TEST_F(PackCommands, InspectFailsWhenARecordDoesNotVerify)
{
    ScratchFolder out;
    const std::string setup = out.Path("setup.exe");
    ASSERT_EQ(RunPack(Plus(BuildArguments(setup), {inputs->x64})).exitCode, 0);

    // Another key: the manifest itself does not verify.
    ToolRun otherKey = RunPack({"inspect", setup, "--key", MakePayloadKey(out, "other")});
    EXPECT_EQ(otherKey.exitCode, 1);
    EXPECT_NE(otherKey.err.find("(1392, 592)"), std::string::npos) << otherKey.err;

    // One byte of the CAB's record (the last one, in front of its signature and
    // trailer) changed: listed as failed, and no choice can be made.
    Bytes bytes = ReadAll(setup);
    bytes[bytes.size() - 28 - 256 - 10] ^= 0x01;
    std::string error;
    ASSERT_TRUE(WriteFileBytes(setup, bytes, &error)) << error;
    ToolRun tampered = RunPack({"inspect", setup, "--arch", "x64", "--lcid", "1033"});
    EXPECT_EQ(tampered.exitCode, 1);
    EXPECT_TRUE(std::regex_search(tampered.out, std::regex("file +1001 .*\\((13, 691|1392, 732)\\)"))) << tampered.out;
    EXPECT_NE(tampered.out.find("cannot be decoded or verified"), std::string::npos) << tampered.out;

    ScratchFolder target;
    ToolRun extract = RunPack({"extract", setup, "--to", target.Path("x"), "--arch", "x64", "--lcid", "1033"});
    EXPECT_EQ(extract.exitCode, 1);
    EXPECT_TRUE(target.Files().empty());
}

TEST_F(PackCommands, ExtractUndoesAFailedRun)
{
    ScratchFolder out;
    const std::string setup = out.Path("setup.exe");
    ASSERT_EQ(RunPack(Plus(BuildArguments(setup), {inputs->x64, inputs->x86en})).exitCode, 0);
    std::string error;
    ASSERT_EQ(RunShell("mkdir -p " + Quote(out.Path("to/1001"))), 0);
    ASSERT_TRUE(WriteFileBytes(out.Path("to/1001/data1.cab"), BytesOf("mine"), &error));
    ToolRun run = RunPack({"extract", setup, "--to", out.Path("to"), "--all"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("to/1001/data1.cab exists"), std::string::npos) << run.err;
    // 1000/ and 1001/main.msi were written by the run and are gone again.
    EXPECT_EQ(out.Files(), (std::vector<std::string>{"setup.exe", "to/1001/data1.cab"}));
}

TEST(PackHelp, EveryCommandExplainsItself)
{
    for (const char* command : {"keygen", "build", "inspect", "extract"}) {
        ToolRun run = RunPack({command, "--help"});
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_EQ(run.out.rfind(std::string("usage: msilaunch-pack ") + command, 0), 0u) << run.out;
    }
    ToolRun unknown = RunPack({"pack"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command \"pack\""), std::string::npos) << unknown.err;
}

// Builds on a signed launcher with the placement; the signature must still
// verify, the launcher's reader must find the payload, and a second build
// from the same inputs must give the same bytes.
void CheckSignedPlacement(const char* placement, const char* location)
{
    ScratchFolder work;
    const std::string signedLauncher = SignImage(work, inputs->launcher, "signed.exe");
    if (signedLauncher.empty()) GTEST_SKIP() << "osslsigncode is not installed";
    ASSERT_TRUE(OsslsigncodeVerifies(work, signedLauncher));
    std::vector<Bytes> builds;
    for (const char* name : {"setup.exe", "again.exe"}) {
        const std::string setup = work.Path(name);
        ToolRun build = RunPack({"build", "--launcher", signedLauncher, "--key", inputs->key, "--out", setup,
                                 "--placement", placement, inputs->x64, inputs->x86en});
        ASSERT_EQ(build.exitCode, 0) << build.err;
        builds.push_back(ReadAll(setup));
    }
    EXPECT_TRUE(builds[0] == builds[1]) << "two builds from the same inputs differ";
    const std::string setup = work.Path("setup.exe");
    EXPECT_TRUE(OsslsigncodeVerifies(work, setup));
    ToolRun inspect = RunPack({"inspect", setup, "--arch", "Intel", "--lcid", "1033"});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.out;
    EXPECT_EQ(ChoiceOf(inspect.out), "1001 first") << inspect.out;
    EXPECT_NE(inspect.out.find(location), std::string::npos) << inspect.out;
}

TEST_F(PackCommands, CertificateTablePlacementKeepsTheSignatureValid)
{
    CheckSignedPlacement("certificate-table", "source 0: the whole image");
}

TEST_F(PackCommands, CertificateExtensionPlacementKeepsTheSignatureValid)
{
    CheckSignedPlacement("certificate-extension", "source 0: a certificate extension's value");
}
