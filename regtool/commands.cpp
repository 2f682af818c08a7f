#include "regtool/commands.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include "cli/standard_options.h"
#include "monitor/platform/registry.h"
#include "regtool/key_path.h"
#include "regtool/query_format.h"
#include "regtool/reg_file.h"
#include "regtool/reg_tree.h"

namespace ossivant::regtool {
namespace {

using namespace ossivant::reg;

constexpr const char* kUsage =
    "usage: ossivant-reg query KEY [/v NAME | /ve] [/s]\n"
    "       ossivant-reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD|REG_BINARY] [/d DATA] [/f]\n"
    "       ossivant-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "       ossivant-reg export KEY FILE [/y]\n"
    "       ossivant-reg import FILE\n"
    "KEY is HKLM\\path or HKCU\\path (or HKEY_LOCAL_MACHINE\\..., HKEY_CURRENT_USER\\...).\n"
    "The registry file is $OSSIVANT_REGISTRY, else $XDG_CONFIG_HOME/ossivant/registry.db.\n";

constexpr const char* kDone = "The operation completed successfully.";

// A failure that ends the command with exit status 1 and this message.
struct Failure {
    std::string message;
};

[[noreturn]] void fail(const std::string& message) {
    throw Failure{message};
}

[[noreturn]] void badSyntax(const std::string& detail) {
    fail("bad syntax: " + detail + " (ossivant-reg /? shows the usage)");
}

struct Options {
    std::vector<std::string> positional;
    std::map<std::string, std::string> withArgument;  // "v", "t", "d"
    std::map<std::string, bool> flags;                // "ve", "va", "s", "f", "y"
    bool has(const char* name) const { return withArgument.count(name) || flags.count(name); }
};

// Switches are recognised only by their exact names (either "/" or "-" in
// front, any case), so a file path such as /tmp/x.reg stays a plain word.
Options parseOptions(const std::vector<std::string>& args, std::size_t from, const std::string& allowed) {
    static const char* withArgument[] = {"v", "t", "d"};
    static const char* flags[] = {"ve", "va", "s", "f", "y"};
    Options options;
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string name;
        if (arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-')) {
            for (const char* s : withArgument) {
                if (strcasecmp(arg.c_str() + 1, s) == 0) name = s;
            }
            for (const char* s : flags) {
                if (strcasecmp(arg.c_str() + 1, s) == 0) name = s;
            }
        }
        if (name.empty()) {
            options.positional.push_back(arg);
            continue;
        }
        if (("," + allowed + ",").find("," + name + ",") == std::string::npos) {
            badSyntax("the switch " + arg + " does not go with this command");
        }
        if (options.has(name.c_str())) badSyntax("the switch " + arg + " is given twice");
        if (name == "v" || name == "t" || name == "d") {
            if (i + 1 >= args.size()) badSyntax("the switch " + arg + " needs a value");
            options.withArgument[name] = args[++i];
        } else {
            options.flags[name] = true;
        }
    }
    return options;
}

KeyPath keyArgument(const std::string& text) {
    const std::optional<KeyPath> key = parseKeyPath(text);
    if (!key) badSyntax("\"" + text + "\" is not a key (it must start with HKLM\\ or HKCU\\)");
    return *key;
}

// The value name chosen by /v or /ve; nullopt when neither was given.
std::optional<std::string> valueName(const Options& options) {
    if (options.has("v") && options.has("ve")) badSyntax("/v and /ve exclude each other");
    if (options.has("ve")) return std::string();
    if (options.has("v")) return options.withArgument.at("v");
    return std::nullopt;
}

// Turns a failed registry status into the message for the operator.
void check(std::int32_t status, const std::string& what, const std::string& registryPath) {
    if (status == ERROR_SUCCESS) return;
    if (status == ERROR_FILE_NOT_FOUND) fail("unable to find the registry key or value: " + what);
    if (status >= ERROR_BADDB && status <= ERROR_CANTWRITE) fail(registryPath + ": " + StatusText(status));
    fail(what + ": " + StatusText(status));
}

bool confirm(const std::string& question, std::ostream& out, std::istream& in) {
    out << question << " (Yes/No)? " << std::flush;
    std::string answer;
    if (!std::getline(in, answer)) {
        out << "\n";
        return false;
    }
    return strcasecmp(answer.c_str(), "y") == 0 || strcasecmp(answer.c_str(), "yes") == 0;
}

std::string valueLabel(const KeyPath& key, const std::string& name) {
    return key.display() + (name.empty() ? " (Default)" : " /v " + name);
}

class Tool {
public:
    Tool(std::string registryPath, std::ostream& out, std::istream& in)
        : registryPath_(std::move(registryPath)), out_(out), in_(in) {}

    void query(const Options& o) {
        if (o.positional.size() != 1) badSyntax("query takes one KEY");
        const KeyPath key = keyArgument(o.positional[0]);
        const std::optional<std::string> name = valueName(o);
        const auto scope = snapshot();
        RegTree tree(reg());
        check(tree.keyExists(key), key.display(), registryPath_);

        if (name) {
            std::vector<std::string> found;
            auto visit = [&](const KeyPath& at) {
                Value value;
                const std::int32_t status = tree.value(at, *name, &value);
                if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
                if (status != ERROR_SUCCESS) return status;
                found.push_back(at.display() + "\n" + queryLine(value) + "\n\n");
                return ERROR_SUCCESS;
            };
            check(o.has("s") ? tree.walk(key, visit) : visit(key), key.display(), registryPath_);
            if (found.empty()) check(ERROR_FILE_NOT_FOUND, valueLabel(key, *name), registryPath_);
            out_ << "\n";
            for (const std::string& text : found) out_ << text;
            if (o.has("s")) out_ << "End of search: " << found.size() << " match(es) found.\n";
            return;
        }
        out_ << "\n";
        if (o.has("s")) {
            check(tree.walk(key,
                            [&](const KeyPath& at) {
                                std::vector<Value> values;
                                const std::int32_t status = tree.values(at, &values);
                                if (status == ERROR_SUCCESS) printKey(at, values);
                                return status;
                            }),
                  key.display(), registryPath_);
            return;
        }
        std::vector<Value> values;
        std::vector<std::string> subkeys;
        check(tree.values(key, &values), key.display(), registryPath_);
        check(tree.subkeys(key, &subkeys), key.display(), registryPath_);
        printKey(key, values);
        for (const std::string& sub : subkeys) out_ << key.child(sub).display() << "\n";
    }

    void add(const Options& o) {
        if (o.positional.size() != 1) badSyntax("add takes one KEY");
        const KeyPath key = keyArgument(o.positional[0]);
        const std::optional<std::string> name = valueName(o);
        if (!name && (o.has("t") || o.has("d"))) badSyntax("/t and /d need /v NAME or /ve");
        RegTree tree(reg());
        if (!name) {
            if (key.subKey.empty()) badSyntax("a hive cannot be added");
            check(tree.createKey(key), key.display(), registryPath_);
            out_ << kDone << "\n";
            return;
        }
        const Value value = makeValue(*name, o.has("t") ? o.withArgument.at("t") : "REG_SZ",
                                      o.has("d") ? o.withArgument.at("d") : "");
        Value existing;
        const std::int32_t status = tree.value(key, *name, &existing);
        if (status == ERROR_SUCCESS && !o.has("f") &&
            !confirm("Value " + (name->empty() ? std::string("(Default)") : *name) + " exists, overwrite", out_,
                     in_)) {
            fail("the operation was cancelled; nothing was changed");
        }
        check(tree.setValue(key, value), valueLabel(key, *name), registryPath_);
        out_ << kDone << "\n";
    }

    void remove(const Options& o) {
        if (o.positional.size() != 1) badSyntax("delete takes one KEY");
        const KeyPath key = keyArgument(o.positional[0]);
        const std::optional<std::string> name = valueName(o);
        if (name && o.has("va")) badSyntax("/va goes without /v and /ve");
        RegTree tree(reg());
        check(tree.keyExists(key), key.display(), registryPath_);
        const bool force = o.has("f");
        if (name) {
            Value existing;
            check(tree.value(key, *name, &existing), valueLabel(key, *name), registryPath_);
            if (!force && !confirm("Delete the registry value " + valueLabel(key, *name), out_, in_)) {
                fail("the operation was cancelled; nothing was changed");
            }
            check(tree.deleteValue(key, *name), valueLabel(key, *name), registryPath_);
        } else if (o.has("va")) {
            if (!force && !confirm("Delete all values under the registry key " + key.display(), out_, in_)) {
                fail("the operation was cancelled; nothing was changed");
            }
            std::vector<Value> values;
            check(tree.values(key, &values), key.display(), registryPath_);
            for (const Value& v : values) check(tree.deleteValue(key, v.name), valueLabel(key, v.name), registryPath_);
        } else {
            if (key.subKey.empty()) fail("a hive cannot be deleted: " + key.display());
            if (!force && !confirm("Permanently delete the registry key " + key.display(), out_, in_)) {
                fail("the operation was cancelled; nothing was changed");
            }
            check(tree.deleteTree(key), key.display(), registryPath_);
        }
        out_ << kDone << "\n";
    }

    void exportKey(const Options& o) {
        if (o.positional.size() != 2) badSyntax("export takes a KEY and a FILE");
        const KeyPath key = keyArgument(o.positional[0]);
        const std::string file = o.positional[1];
        RegTree tree(reg());
        std::vector<RegKeyDump> dumps;
        {
            const auto scope = snapshot();
            check(tree.walk(key,
                            [&](const KeyPath& at) {
                                dumps.push_back({at, {}});
                                return tree.values(at, &dumps.back().values);
                            }),
                  key.display(), registryPath_);
        }
        std::error_code ec;
        if (std::filesystem::exists(file, ec) && !o.has("y") &&
            !confirm("File " + file + " already exists. Overwrite the file", out_, in_)) {
            fail("the operation was cancelled; nothing was changed");
        }
        // Written beside the target and renamed over it, so that a failed
        // export never leaves half a file in place of a good one.
        const std::string text = writeRegFile(dumps);
        const std::string temp = file + ".tmp";
        {
            std::ofstream stream(temp, std::ios::binary | std::ios::trunc);
            stream << text;
            stream.flush();
            if (!stream) {
                const std::string why = std::strerror(errno);
                std::filesystem::remove(temp, ec);
                fail("cannot write " + file + ": " + why);
            }
        }
        std::filesystem::rename(temp, file, ec);
        if (ec) {
            std::filesystem::remove(temp, ec);
            fail("cannot write " + file + ": " + ec.message());
        }
        out_ << kDone << "\n";
    }

    void importFile(const Options& o) {
        if (o.positional.size() != 1) badSyntax("import takes one FILE");
        const std::string file = o.positional[0];
        std::ifstream stream(file, std::ios::binary);
        if (!stream) fail("cannot read " + file + ": " + std::strerror(errno));
        const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
        if (stream.bad()) fail("cannot read " + file);
        std::vector<RegSection> sections;
        std::string error;
        if (!parseRegFile(bytes, &sections, &error)) fail(file + ": " + error);

        RegTree tree(reg());
        for (const RegSection& section : sections) {
            if (section.remove) {
                const std::int32_t status = tree.deleteTree(section.key);
                if (status != ERROR_FILE_NOT_FOUND) check(status, section.key.display(), registryPath_);
                continue;
            }
            check(tree.createKey(section.key), section.key.display(), registryPath_);
            for (const RegSection::Entry& entry : section.entries) {
                const std::string label = valueLabel(section.key, entry.value.name);
                if (entry.remove) {
                    const std::int32_t status = tree.deleteValue(section.key, entry.value.name);
                    if (status != ERROR_FILE_NOT_FOUND) check(status, label, registryPath_);
                } else {
                    check(tree.setValue(section.key, entry.value), label, registryPath_);
                }
            }
        }
        out_ << kDone << "\n";
    }

private:
    Registry& reg() {
        if (!registry_) registry_ = std::make_unique<Registry>(registryPath_);
        return *registry_;
    }

    // A walk over many keys reads them as one state of the store, whatever
    // another program commits meanwhile.
    Registry::Transaction snapshot() { return Registry::Transaction(reg(), Registry::Transaction::Access::Read); }

    void printKey(const KeyPath& key, const std::vector<Value>& values) {
        out_ << key.display() << "\n";
        for (const Value& v : values) out_ << queryLine(v) << "\n";
        out_ << "\n";
    }

    static Value makeValue(const std::string& name, const std::string& typeText, const std::string& data) {
        Value value;
        value.name = name;
        if (strcasecmp(typeText.c_str(), "REG_SZ") == 0) {
            value.type = REG_SZ;
            value.data = data + std::string(1, '\0');
        } else if (strcasecmp(typeText.c_str(), "REG_DWORD") == 0) {
            value.type = REG_DWORD;
            const std::uint32_t n = parseDword(data);
            value.data = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                          static_cast<char>(n >> 24)};
        } else if (strcasecmp(typeText.c_str(), "REG_BINARY") == 0) {
            value.type = REG_BINARY;
            if (data.size() % 2 != 0) badSyntax("REG_BINARY data must be pairs of hex digits");
            for (std::size_t i = 0; i < data.size(); i += 2) {
                const std::string pair = data.substr(i, 2);
                if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                    badSyntax("REG_BINARY data must be pairs of hex digits");
                }
                value.data.push_back(static_cast<char>(std::stoul(pair, nullptr, 16)));
            }
        } else {
            badSyntax("unknown type " + typeText + " (REG_SZ, REG_DWORD or REG_BINARY)");
        }
        return value;
    }

    // A decimal number or 0x-hex, 0 to 4294967295.
    static std::uint32_t parseDword(const std::string& text) {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const std::string digits = hex ? text.substr(2) : text;
        const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
        if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos || digits.size() > 10) {
            badSyntax("REG_DWORD data must be a number from 0 to 4294967295 (or 0x0 to 0xffffffff)");
        }
        const unsigned long long n = std::stoull(digits, nullptr, hex ? 16 : 10);
        if (n > 0xFFFFFFFFull) badSyntax("REG_DWORD data must be a number from 0 to 4294967295");
        return static_cast<std::uint32_t>(n);
    }

    std::string registryPath_;
    std::ostream& out_;
    std::istream& in_;
    std::unique_ptr<Registry> registry_;
};

}  // namespace

int runRegTool(const std::vector<std::string>& args, const std::string& registryPath, std::ostream& out,
               std::ostream& err, std::istream& in) {
    try {
        if (args.empty()) badSyntax("a command is missing");
        const std::string& command = args[0];
        const bool alone = args.size() == 1;
        if (command == "/?" || command == "-?" || command == "-h" || (command == "--help" && alone)) {
            out << kUsage;
            return 0;
        }
        if (command == "--version" && alone) {
            out << cli::VersionText("ossivant-reg");
            return 0;
        }
        if (cli::IsOption(command)) {
            err << kUsage;
            return 2;
        }
        Tool tool(registryPath, out, in);
        if (strcasecmp(command.c_str(), "query") == 0) {
            tool.query(parseOptions(args, 1, "v,ve,s"));
        } else if (strcasecmp(command.c_str(), "add") == 0) {
            tool.add(parseOptions(args, 1, "v,ve,t,d,f"));
        } else if (strcasecmp(command.c_str(), "delete") == 0) {
            tool.remove(parseOptions(args, 1, "v,ve,va,f"));
        } else if (strcasecmp(command.c_str(), "export") == 0) {
            tool.exportKey(parseOptions(args, 1, "y"));
        } else if (strcasecmp(command.c_str(), "import") == 0) {
            tool.importFile(parseOptions(args, 1, ""));
        } else {
            badSyntax("unknown command " + command);
        }
        return 0;
    } catch (const Failure& f) {
        out << std::flush;
        err << "ossivant-reg: " << f.message << "\n";
        return 1;
    }
}

}  // namespace ossivant::regtool
