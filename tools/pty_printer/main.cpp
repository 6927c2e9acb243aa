// qv410-pty-printer: the simulated QV-410 served on a pseudo-terminal, behind a fake root of
// /sys and /dev, so that the real Linux device layer can be driven end to end.
//
// Prints "QV410_ROOT=<dir>" and "pty <slave>" on start, then one line per thing the printer
// receives ("command <hex>", "job <bytes>", "firmware <bytes>", "garbage <bytes> <hex>") and
// "ok" or "error <why>" for each control line read on stdin. Ends on stdin EOF, `quit`, SIGTERM
// or SIGINT, removing the tree it built.
//
// With --gadget it serves a USB printer gadget's node instead, so that the host's side is the
// kernel's own usblp: no tree, "gadget <node>" on start, and "connected <node>" and
// "disconnected <node> (<why>)" as the gadget is configured, unbound and bound again.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control_words.h"
#include "fake_root.h"
#include "gadget_line.h"
#include "printer_server.h"

namespace {

constexpr const char* kUsage = R"(usage: qv410-pty-printer [options]

Line (default: a pseudo-terminal behind a fake tree):
  --gadget NODE        serve a USB printer gadget's node (/dev/g_printerN) instead; the tree
                       options do not apply, nor unplug, plug, unopenable and absent
  --firmware-file PATH write each firmware image received to PATH (whole images only)

Tree:
  --root DIR           build the tree in DIR (absent or empty) instead of a fresh temp dir
  --join DIR           add this printer to the tree another one built in DIR (a second printer
                       on the same machine); only this printer's entries are removed on exit
  --lp N               the printer is lpN (default 0)
  --decoy N            another printer (--decoy-ids) at lpN; may be repeated
  --decoy-ids VID:PID  ids of the decoys (default 04b8:0202)
  --printer-ids VID:PID  ids written for the printer (default 0fe6:811e)
  --absent             no usbmisc entry for the printer
  --unplugged          no dev/usb/lpN link
  --write-gap MS       silence that ends a label job without a PRINT line (default 50)
  --quiet              do not report what the printer receives

Printer (each also a control line, e.g. "status 8", "noreply 1"):
  --serial TEXT  --status N  --printed N  --badpoints N  --firmware TEXT  --acks 0|1
  --after-download TEXT  --after-download-silent TEXT
  --noreply  --wrongmarker  --noack  --wrongack  --length N  --ackonread N  --delay MS
  --storeother  --settings N,N,...

Control lines on stdin, each answered "ok" or "error <why>":
  the printer settings above ("noreply 0", "length off", "firmware V1.04 2024-03-02"),
  unplug, plug, absent 0|1, flush (drop replies not yet read), report 0|1,
  stall 0|1|after N (take no input: the host's writes fill the line and then wait; after N:
  once the next N replies have gone out),
  state (one "state ..." line), sync (answered once the printer input has gone quiet), quit

  --storeother: a settings write is acknowledged but another print type is stored.
  --settings: the thirteen stored print settings, in record order.
  --acks 0: the firmware never answers settings commands. --ackonread N: acknowledgements
  come late enough to be met only by the host's Nth read of 1000 ms. --delay: every reply
  comes that long after its packet. A write cut short cannot be simulated on a pty.
)";

std::optional<unsigned> parseUnsigned(std::string_view text) {
    unsigned value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<qv::pty::UsbIds> parseIds(std::string_view text) {
    auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    return qv::pty::UsbIds{std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

struct Options {
    std::string gadget;
    bool treeOption = false;
    qv::pty::FakeRootLayout layout;
    qv::pty::ServerOptions server;
    std::vector<std::string> controlLines;
};

// Returns nothing after printing why the arguments were refused.
std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (!arg.starts_with("--")) {
            std::fprintf(stderr, "qv410-pty-printer: unexpected argument %s\n", argv[i]);
            return std::nullopt;
        }
        std::string_view name = arg.substr(2);
        auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "qv410-pty-printer: %s needs a value\n", argv[i]);
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        auto bad = [&](std::string_view v) {
            std::fprintf(stderr, "qv410-pty-printer: bad value '%.*s' for --%.*s\n",
                         static_cast<int>(v.size()), v.data(), static_cast<int>(name.size()),
                         name.data());
            return std::nullopt;
        };

        if (name == "absent") {
            options.layout.printerAbsent = true;
            options.treeOption = true;
        } else if (name == "unplugged") {
            options.layout.unplugged = true;
            options.treeOption = true;
        } else if (name == "quiet") {
            options.server.report = false;
        } else if (const auto* word = qv::pty::findControlWord(name);
                   word != nullptr && word->option == qv::pty::AsOption::flag) {
            options.controlLines.push_back(qv::pty::controlLine(word->id, "1"));
        } else {
            const std::vector<std::string_view> treeValues = {"root",  "join",      "lp",
                                                              "decoy", "decoy-ids", "printer-ids"};
            const std::vector<std::string_view> lineValues = {"gadget", "firmware-file",
                                                              "write-gap"};
            const bool treeValue =
                std::find(treeValues.begin(), treeValues.end(), name) != treeValues.end();
            const bool lineValue =
                std::find(lineValues.begin(), lineValues.end(), name) != lineValues.end();
            const bool printerValue = word != nullptr && word->option == qv::pty::AsOption::value;
            if (!treeValue && !lineValue && !printerValue) {
                std::fprintf(stderr, "qv410-pty-printer: unknown option %s\n%s", argv[i], kUsage);
                return std::nullopt;
            }
            auto v = value();
            if (!v) {
                return std::nullopt;
            }
            options.treeOption = options.treeOption || treeValue;
            if (name == "gadget" || name == "firmware-file") {
                if (v->empty()) {
                    return bad(*v);
                }
                (name == "gadget" ? options.gadget : options.server.firmwareFile) = std::string(*v);
            } else if (name == "root" || name == "join") {
                options.layout.root = std::string(*v);
                options.layout.join = name == "join";
            } else if (name == "lp" || name == "decoy") {
                auto n = parseUnsigned(*v);
                if (!n || *n > 255) {
                    return bad(*v);
                }
                if (name == "lp") {
                    options.layout.printerMinor = *n;
                } else {
                    options.layout.decoyMinors.push_back(*n);
                }
            } else if (name == "decoy-ids" || name == "printer-ids") {
                auto ids = parseIds(*v);
                if (!ids) {
                    return bad(*v);
                }
                (name == "decoy-ids" ? options.layout.decoyIds : options.layout.printerIds) = *ids;
            } else if (name == "write-gap") {
                auto n = parseUnsigned(*v);
                if (!n || *n < 1 || *n > 10000) {
                    return bad(*v);
                }
                options.server.writeGap = std::chrono::milliseconds(*n);
            } else {
                options.controlLines.push_back(std::string(name) + " " + std::string(*v));
            }
        }
    }
    if (!options.gadget.empty() && options.treeOption) {
        std::fprintf(stderr, "qv410-pty-printer: --gadget builds no tree\n");
        return std::nullopt;
    }
    return options;
}

// Applies the printer options given on the command line; false after saying which was refused.
bool applyControlLines(qv::pty::PrinterServer& server, const Options& options) {
    for (const auto& line : options.controlLines) {
        std::vector<std::string> ignored;
        std::string refused = server.control(line, ignored);
        if (!refused.empty()) {
            std::fprintf(stderr, "qv410-pty-printer: --%s: %s\n", line.c_str(), refused.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    auto options = parseArguments(argc, argv);
    if (!options) {
        return 2;
    }
    try {
        if (!options->gadget.empty()) {
            qv::pty::GadgetLine gadget(options->gadget);
            qv::pty::PrinterServer server(gadget, nullptr, options->server);
            if (!applyControlLines(server, *options)) {
                return 2;
            }
            std::printf("gadget %s\n", options->gadget.c_str());
            std::fflush(stdout);
            return server.run();
        }
        qv::pty::Pty pty;
        qv::pty::FakeRoot root(options->layout, pty.slavePath());
        qv::pty::PrinterServer server(pty, &root, options->server);
        if (!applyControlLines(server, *options)) {
            return 2;
        }
        std::printf("QV410_ROOT=%s\npty %s\n", root.root().c_str(), pty.slavePath().c_str());
        std::fflush(stdout);
        return server.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qv410-pty-printer: %s\n", e.what());
        return 1;
    }
}
