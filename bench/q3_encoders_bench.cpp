// Throughput of quorvane3's body and attachment encoders on 10 MB, each as a
// ratio against a reference measured in the same run: OpenSSL's
// EVP_EncodeBlock for base64, a plain copy of the same size for
// quoted-printable. Prints the best of several runs of each.
#include <openssl/evp.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "mailer/mime/base64.h"
#include "mailer/mime/quoted_printable.h"

namespace {

constexpr std::size_t kSize = 10 * 1000 * 1000;
constexpr int kRuns = 7;

volatile std::size_t gSink;  // keeps results alive

double BestSeconds(const std::function<std::size_t()>& work) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        gSink = work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void Report(const char* name, double seconds, const char* referenceName, double reference) {
    std::printf("%-34s %8.2f ms %9.1f MB/s   %-40s %8.2f ms   ratio %.2f\n", name, seconds * 1e3,
                kSize / seconds / 1e6, referenceName, reference * 1e3, seconds / reference);
}

// Latin-1 report text: mostly 7-bit, with accented letters and line breaks.
std::string LatinText() {
    const std::string line =
        "R\xE9sum\xE9 du contr\xF4le: 12 sites v\xE9rifi\xE9s, 2 en \xE9tat d'alerte = \xE0 voir.\n";
    std::string text;
    while (text.size() < kSize) text += line;
    text.resize(kSize);
    return text;
}

std::string RandomBytes(bool withoutNul) {
    std::mt19937 generator(42);
    std::string bytes(kSize, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
        if (withoutNul && c == '\0') c = 1;
    }
    return bytes;
}

}  // namespace

int main() {
    std::printf("input %zu bytes, best of %d runs; ratio = encoder time / reference time\n\n",
                kSize, kRuns);

    // Quoted-printable against a plain copy of the same size.
    {
        const std::string text = LatinText();
        std::vector<char> out(text.size() * 5 + 8);
        std::vector<char> copy(text.size());
        const double qp = BestSeconds(
            [&] { return quorvane3::EncodeQuotedPrintable(text, out.data(), out.size()); });
        const double reference = BestSeconds([&] {
            std::memcpy(copy.data(), text.data(), text.size());
            return std::size_t(copy[text.size() / 2]);
        });
        Report("EncodeQuotedPrintable (Latin-1)", qp, "memcpy of 10 MB", reference);
    }

    // Base64 of header texts: 102-byte pieces, as the encoder takes them.
    {
        const std::string text = RandomBytes(true);
        std::vector<unsigned char> whole(text.size() / 3 * 4 + 8);
        char out[quorvane3::kBase64TextBuffer];
        const double mine = BestSeconds([&] {
            std::size_t total = 0;
            for (std::size_t i = 0; i < text.size(); i += quorvane3::kBase64TextMaxInput) {
                quorvane3::EncodeBase64Text(std::string_view(text).substr(i, 102), out, sizeof out);
                total += static_cast<unsigned char>(out[0]);
            }
            return total;
        });
        const double reference = BestSeconds([&] {
            return std::size_t(EVP_EncodeBlock(whole.data(),
                                               reinterpret_cast<const unsigned char*>(text.data()),
                                               int(text.size())));
        });
        const double referencePieces = BestSeconds([&] {
            std::size_t total = 0;
            unsigned char piece[140];
            for (std::size_t i = 0; i < text.size(); i += 102) {
                total += EVP_EncodeBlock(piece,
                                         reinterpret_cast<const unsigned char*>(text.data() + i),
                                         int(std::min<std::size_t>(102, text.size() - i)));
            }
            return total;
        });
        Report("EncodeBase64Text (102-byte calls)", mine, "EVP_EncodeBlock, one call", reference);
        Report("", mine, "EVP_EncodeBlock, 102-byte calls", referencePieces);
    }

    // Base64 of an attachment file, line by line.
    {
        const std::string data = RandomBytes(false);
        char path[] = "/tmp/q3benchXXXXXX";
        const int fd = ::mkstemp(path);
        if (fd < 0 || ::write(fd, data.data(), data.size()) != ssize_t(data.size())) return 1;
        ::close(fd);
        std::vector<unsigned char> whole(data.size() / 3 * 4 + 8);
        const double mine = BestSeconds([&] {
            std::FILE* file = std::fopen(path, "rb");
            char line[quorvane3::kBase64LineBuffer];
            std::size_t lines = 0;
            while (quorvane3::EncodeBase64File(file, line, sizeof line) == quorvane3::kBase64More) {
                ++lines;
            }
            return lines;
        });
        const double reference = BestSeconds([&] {
            return std::size_t(EVP_EncodeBlock(whole.data(),
                                               reinterpret_cast<const unsigned char*>(data.data()),
                                               int(data.size())));
        });
        const double referenceLines = BestSeconds([&] {
            std::FILE* file = std::fopen(path, "rb");
            unsigned char in[51];
            unsigned char line[72];
            std::size_t got;
            std::size_t lines = 0;
            while ((got = std::fread(in, 1, sizeof in, file)) > 0) {
                lines += EVP_EncodeBlock(line, in, int(got)) > 0;
            }
            std::fclose(file);
            return lines;
        });
        ::unlink(path);
        Report("EncodeBase64File (file, 68/line)", mine, "EVP_EncodeBlock, 10 MB in memory",
               reference);
        Report("", mine, "fread 51 + EVP_EncodeBlock per line", referenceLines);
    }
    return 0;
}
