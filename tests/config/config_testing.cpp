#include "config_testing.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "config/config_reader.h"

TempFile::TempFile(std::string_view content)
{
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/pylo_cfg_XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        ADD_FAILURE() << "cannot create a temporary file from " << pattern;
        return;
    }
    path = name.data();
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n <= 0) {
            ADD_FAILURE() << "cannot write " << path;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
}

TempFile::~TempFile()
{
    if (!path.empty()) std::remove(path.c_str());
}

std::string caseFile(const char* name)
{
    const std::string path = std::string(PYLO_CONFIG_CASES) + "/" + name;
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    } else {
        ADD_FAILURE() << "cannot read " << path;
    }
    return text;
}

ConfigImage compileText(std::string_view content)
{
    TempFile file(content);
    ConfigImage image;
    image.bytes.fill(0xA5);
    EXPECT_TRUE(readConfigFile(file.path.c_str(), image)) << file.path;
    return image;
}

::testing::AssertionResult sameImage(const ConfigImage& expected, const ConfigImage& actual)
{
    std::string report;
    int differences = 0;
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (expected.bytes[i] == actual.bytes[i]) continue;
        if (++differences <= 24) {
            char line[80];
            std::snprintf(line, sizeof line, "\n  offset %4zu (0x%04zX): expected %02X, got %02X", i, i,
                          expected.bytes[i], actual.bytes[i]);
            report += line;
        }
    }
    if (differences == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences << " byte(s) differ:" << report;
}

std::string visible(std::string_view text)
{
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}
