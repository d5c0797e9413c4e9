// Seeds of manifest_line_fuzzer and command_line_fuzzer.
#include "fuzz/text_seeds.h"

#include <stdio.h>
#include <sys/stat.h>

#include <vector>

#include "writer/bytes.h"
#include "writer/manifest_writer.h"

namespace {

bool Put(const std::string& dir, const std::string& name, const Bytes& data)
{
    std::string error;
    if (WriteFileBytes(dir + "/" + name, data, &error)) return true;
    fprintf(stderr, "make-fuzz-seeds: %s\n", error.c_str());
    return false;
}

// manifest_line_fuzzer: the header, then the tables padded to one size (a
// filler entry at the end of each) so that the even split gives them back.
Bytes SelectionInput(uint8_t sourceBits, uint16_t language, uint8_t chainKinds, uint8_t fault,
                     std::vector<Bytes> tables)
{
    Bytes out = {sourceBits, static_cast<uint8_t>(language), static_cast<uint8_t>(language >> 8), chainKinds, fault};
    size_t largest = 0;
    for (const Bytes& table : tables) largest = table.size() > largest ? table.size() : largest;
    for (Bytes& table : tables) {
        if (tables.size() > 1) AppendManifestEntry(&table, 9, Bytes(largest + 8 - table.size() - 8, 0x20));
        AppendBytes(&out, table);
    }
    return out;
}

// command_line_fuzzer: the header, then the line in UTF-16LE.
Bytes CommandLineInput(uint8_t packageLength, uint8_t bits, uint16_t installerLength, uint8_t fault,
                       const std::string& line)
{
    Bytes out = {packageLength, bits, static_cast<uint8_t>(installerLength), static_cast<uint8_t>(installerLength >> 8),
                 fault};
    AppendBytes(&out, Utf16LeText(line, false));
    return out;
}

const char kCode[] = "{6F1C2A3B-4D5E-4F60-8172-93A4B5C6D7E8}";
const uint8_t kNoFault = 0xFF;

}  // namespace

bool WriteTextSeeds(const std::string& root)
{
    const std::string selection = root + "/manifest_line";
    const std::string command = root + "/command_line";
    mkdir(selection.c_str(), 0755);
    mkdir(command.c_str(), 0755);
    bool ok = true;

    const std::string code = kCode;
    const Bytes both = WriteManifestTable({{1000, "Intel\\1033;1031\\" + code + "\\Seed Product"},
                                           {1001, "x64\\1033;1031\\" + code + "\\Seed Product (64-bit)"},
                                           {1002, "cab\\1000;1001\\data1.cab"},
                                           {1003, "cab\\1001\\data64.cab"}});
    // One signed source, a 32-bit machine in US English.
    ok &= Put(selection, "intel", SelectionInput(0, 1033, 2, kNoFault, {both}));
    // A 64-bit machine in Swiss German: only the low byte of 1031 fits.
    ok &= Put(selection, "x64-low-byte", SelectionInput(1 << 2, 2055, 1, kNoFault, {both}));
    // Japanese: nothing fits until US English; the MSI in the second source.
    ok &= Put(selection, "us-english",
              SelectionInput(1, 1041, 1 | 2 << 2, kNoFault,
                             {WriteManifestTable({{1002, "cab\\1000\\data1.cab"}, {1004, "Intel\\1031\\" + code + "\\De"}}),
                              WriteManifestTable({{1000, "INTEL\\1033\\" + code + "\\En"}, {1002, "CAB\\1000\\data1.cab"}})}));
    // Three sources of odd lines: an odd text length, a field too long, an
    // empty field, text that is not ASCII, lists with spaces, gaps and numbers
    // past 32 bits.
    Bytes odd = WriteManifestTable({{1000, "Intel\\ 1033 ; 99999999999;;1031x\\" + code + "\\Caf\xc3\xa9 \xe2\x98\x83"},
                                    {1001, "Intel\\\\" + code + "\\Gap"},
                                    {1002, "cab\\1000; 1000\\" + std::string(300, 'n') + ".cab"},
                                    {1003, "cab\\4294967295;1000\\data1.cab"}});
    AppendManifestEntry(&odd, 1004, Bytes{'c', 0, 'a', 0, 'b', 0, '\\', 0, '1', 0, '\\', 0, 'z'});
    ok &= Put(selection, "odd", SelectionInput(2, 1033, 3 | 1 << 2 | 2 << 4, kNoFault, {odd, both, Bytes()}));
    // The first with one allocation failing.
    ok &= Put(selection, "fault", SelectionInput(0, 1033, 2, 2, {both}));

    const std::string quiet =
        "\"C:\\Users\\me\\Downloads\\setup.exe\" /qn TARGETDIR=\"C:\\Program Files\\Seed App\" REBOOT=ReallySuppress";
    ok &= Put(command, "quiet", CommandLineInput(255, 1, 29, 0, quiet));
    ok &= Put(command, "log", CommandLineInput(40, 0, 29, 0, "setup.exe /l*v \"C:\\log file.txt\" /QUIET"));
    ok &= Put(command, "odd",
              CommandLineInput(100, 2, 29, 0,
                               "setup.exe \"\" /q\"n\"\t\"a\tb\" \\\"x\\\"\r\nK\xc3\xbc\xed\xa0\x80 \"unclosed run"));
    // Just under the limit with the longest package path.
    ok &= Put(command, "long", CommandLineInput(255, 1 | 3 << 6, 0, 0, "setup.exe P=" + std::string(487, 'v')));
    // Many short arguments, the line repeated eight times.
    ok &= Put(command, "many", CommandLineInput(12, 7 << 2, 29, 0, std::string(200, 'a') + " a a a a a a a a a a"));
    ok &= Put(command, "fault", CommandLineInput(255, 1 | 1 << 5, 29, 3, quiet));
    return ok;
}
