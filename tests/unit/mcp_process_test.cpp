// The MCP server's process-level parts: the line reader over a pipe, the
// child-process runner (capture, exit, crash, time-out of a whole process
// group), and the picture a screenshot call returns.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <variant>

#include "mcp/base64.h"
#include "mcp/call_runner.h"
#include "mcp/line_reader.h"
#include "mcp/png_preview.h"

namespace {

// The reader's view of what a writer thread puts into a pipe.
std::vector<std::string> readAll(const std::string& input, std::size_t limit) {
    int ends[2];
    if (::pipe(ends) != 0) return {};
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < input.size()) {
            const ssize_t n = ::write(ends[1], input.data() + done, std::min<std::size_t>(input.size() - done, 4096));
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(ends[1]);
    });
    LineReader reader(ends[0], limit);
    std::vector<std::string> seen;
    for (;;) {
        const auto next = reader.next();
        if (std::holds_alternative<LineReader::End>(next)) break;
        if (std::holds_alternative<LineReader::TooLong>(next))
            seen.push_back("<too long>");
        else
            seen.push_back(std::get<LineReader::Line>(next).text);
    }
    writer.join();
    ::close(ends[0]);
    return seen;
}

TEST(McpLineReader, SplitsLinesAndSkipsTooLongOnesWhole) {
    using Lines = std::vector<std::string>;
    const std::string big(100000, 'x');
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"a\nb\n", {"a", "b"}},
        {"a\r\n\n  \r\nb", {"a", "b"}},  // CR LF endings, blank lines, a last line without its feed
        {"", {}},
        {"0123456789\n", {"0123456789"}},                                 // exactly the limit
        {"0123456789A\nnext\n", {"<too long>", "next"}},                  // one byte over, within one read
        {"first\n" + big + "\nnext\n", {"first", "<too long>", "next"}},  // over many reads
        {big + big, {"<too long>"}},                                      // too long to the end of the input
    };
    for (const auto& [input, expected] : cases) EXPECT_EQ(readAll(input, 10), expected) << input.substr(0, 40);
}

RunOutcome runShell(const std::string& script, std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
    RunSettings settings;
    settings.program = "/bin/sh";
    settings.timeout = timeout;
    return runCommand(settings, {"sh", "-c", script});
}

TEST(McpCallRunner, CapturesTheOutputAndTheExitStatus) {
    const RunOutcome printed = runShell("printf '{\"a\":1}\\n'; echo noise >&2; exit 1");
    EXPECT_EQ(printed.end, RunOutcome::End::Exited);
    EXPECT_EQ(printed.code, 1);
    EXPECT_EQ(printed.output, "{\"a\":1}\n");

    // Standard input is /dev/null: a command that reads it sees its end at once.
    const RunOutcome reading = runShell("cat; echo done");
    EXPECT_EQ(reading.output, "done\n");

    // Larger than a pipe holds.
    const RunOutcome large = runShell("head -c 3000000 /dev/zero | tr '\\0' x");
    EXPECT_EQ(large.output.size(), 3000000u);
}

TEST(McpCallRunner, ReportsACrashBySignal) {
    const RunOutcome crashed = runShell("kill -SEGV $$");
    EXPECT_EQ(crashed.end, RunOutcome::End::Signalled);
    EXPECT_EQ(crashed.code, SIGSEGV);
}

TEST(McpCallRunner, ReportsAProgramThatCannotStart) {
    RunSettings settings;
    settings.program = "/nonexistent/tavik-ax";
    const RunOutcome outcome = runCommand(settings, {"tavik-ax", "list-windows"});
    EXPECT_EQ(outcome.end, RunOutcome::End::NotStarted);
    EXPECT_EQ(outcome.code, ENOENT);
}

TEST(McpProgram, VersionIsTheProjectsAndNothingIsServed) {
    RunSettings settings;
    settings.program = TAVIK_MCP_BINARY;
    // Standard input is /dev/null: a server would end too, but print nothing.
    const RunOutcome outcome = runCommand(settings, {"tavik-ax-mcp", "--version"});
    EXPECT_EQ(outcome.end, RunOutcome::End::Exited);
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.output, std::string(R"({"version":")") + TAVIK_VERSION + "\"}\n");
}

bool processAlive(pid_t pid) {
    // A zombie is gone for this purpose: it runs nothing.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return false;
    const auto close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

TEST(McpCallRunner, TimeOutStopsTheWholeProcessGroup) {
    char folder[] = "/tmp/tavik-mcp-test.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string pidFile = std::string(folder) + "/grandchild";
    // A grandchild that would outlive its parent, and a parent that ignores SIGTERM.
    const RunOutcome outcome = runShell(
        "sleep 300 >/dev/null & echo $! > " + pidFile + "; trap '' TERM; echo partial; while :; do sleep 1; done",
        std::chrono::milliseconds(500));
    EXPECT_EQ(outcome.end, RunOutcome::End::TimedOut);
    std::ifstream file(pidFile);
    pid_t grandchild = 0;
    ASSERT_TRUE(file >> grandchild);
    // Killed processes of another parent are reaped by init, which may take a moment.
    for (int i = 0; i < 100 && processAlive(grandchild); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(processAlive(grandchild));
    std::remove(pidFile.c_str());
    ::rmdir(folder);
}

TEST(McpCallRunner, AProgramThatKeepsThePipeOpenDoesNotHoldTheCall) {
    // The command ends; what it started goes on holding standard output.
    const auto started = std::chrono::steady_clock::now();
    const RunOutcome outcome = runShell("sleep 30 & echo '{}'", std::chrono::milliseconds(20000));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(outcome.end, RunOutcome::End::Exited);
    EXPECT_EQ(outcome.output, "{}\n");
    EXPECT_LT(took, std::chrono::seconds(10));
}

TEST(McpBase64, EncodesTheStandardTestVectors) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(base64Encode(bytes), text);
}

// Writes a width x height RGBA PNG: the left half black, the right half white.
std::string writePng(const std::string& path, unsigned width, unsigned height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            std::uint8_t* p = &pixels[(std::size_t{y} * width + x) * 4];
            p[0] = p[1] = p[2] = x < width / 2 ? 0 : 255;
            p[3] = 255;
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr);
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct Decoded {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> pixels;
};

Decoded decodePng(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Decoded decoded;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return decoded;
    image.format = PNG_FORMAT_RGBA;
    decoded.pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr)) {
        decoded.width = image.width;
        decoded.height = image.height;
    }
    png_image_free(&image);
    return decoded;
}

TEST(McpPngPreview, ScalesDownOnlyWhenAskedAndOnlyLargePictures) {
    char folder[] = "/tmp/tavik-mcp-png.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string large = std::string(folder) + "/large.png";
    const std::string small = std::string(folder) + "/small.png";
    const std::string largeBytes = writePng(large, 2000, 1001);
    const std::string smallBytes = writePng(small, 640, 480);

    EXPECT_EQ(pngForAgent(large, false), largeBytes);  // the file as it is
    EXPECT_EQ(pngForAgent(small, true), smallBytes);   // small enough already

    const auto scaled = pngForAgent(large, true);
    ASSERT_TRUE(scaled.has_value());
    const Decoded decoded = decodePng(*scaled);
    EXPECT_EQ(decoded.width, 1280u);
    EXPECT_EQ(decoded.height, 641u);  // 1001 * 1280 / 2000, rounded
    // The halves keep their colours.
    ASSERT_EQ(decoded.pixels.size(), std::size_t{1280} * 641 * 4);
    EXPECT_EQ(decoded.pixels[(320 * 1280 + 100) * 4], 0);
    EXPECT_EQ(decoded.pixels[(320 * 1280 + 1200) * 4], 255);

    EXPECT_FALSE(pngForAgent(std::string(folder) + "/missing.png", true).has_value());
    std::ofstream(std::string(folder) + "/broken.png") << "not a png";
    EXPECT_FALSE(pngForAgent(std::string(folder) + "/broken.png", false).has_value());

    for (const char* name : {"/large.png", "/small.png", "/broken.png"})
        std::remove((std::string(folder) + name).c_str());
    ::rmdir(folder);
}

}  // namespace
