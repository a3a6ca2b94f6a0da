// unitSettings: the settings store and its XML file (pugixml), with the file's Latin-1 encoding.
#include "app/unitSettings.h"

#include "core/CommaText.h"
#include "core/Latin1.h"

#include <pugixml.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace zorvane {

namespace {

// Far larger than any settings file this program writes; anything bigger is not ours.
constexpr std::uintmax_t kMaxFileSize = 4u << 20;

std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// A name as an XML element name: characters a name may not hold become "_".
std::string elementName(std::string_view name) {
    std::string result;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
        result += (letter || (i > 0 && other)) ? name[i] : '_';
    }
    return result.empty() ? std::string("_") : result;
}

// Visits every node below `root` in document order with its depth (1 for root's children); stops
// when visit answers false. Iterative: a file may nest elements far deeper than the stack could follow.
template <typename Visit> bool forEachDescendant(pugi::xml_node root, Visit visit) {
    pugi::xml_node node = root.first_child();
    std::size_t depth = 1;
    while (node) {
        if (!visit(node, depth))
            return false;
        if (node.first_child()) {
            node = node.first_child();
            ++depth;
            continue;
        }
        while (node != root && !node.next_sibling()) {
            node = node.parent();
            --depth;
        }
        if (node == root)
            break;
        node = node.next_sibling();
    }
    return true;
}

void makeLatin1Safe(pugi::xml_node root) {
    forEachDescendant(root, [](pugi::xml_node node, std::size_t) {
        switch (node.type()) {
        case pugi::node_element:
            node.set_name(Latin1Only(node.name(), '_').c_str());
            for (pugi::xml_attribute attribute : node.attributes())
                attribute.set_name(Latin1Only(attribute.name(), '_').c_str());
            break;
        case pugi::node_comment:
        case pugi::node_cdata:
        case pugi::node_pi:
        case pugi::node_doctype:
            node.set_name(Latin1Only(node.name(), '_').c_str());
            node.set_value(Latin1Only(node.value(), '?').c_str());
            break;
        default:
            break;
        }
        return true;
    });
}

bool documentIsValidUtf8(pugi::xml_node root) {
    return forEachDescendant(root, [](pugi::xml_node node, std::size_t) {
        if (!IsValidUtf8(node.name()) || !IsValidUtf8(node.value()))
            return false;
        for (pugi::xml_attribute attribute : node.attributes())
            if (!IsValidUtf8(attribute.name()) || !IsValidUtf8(attribute.value()))
                return false;
        return true;
    });
}

// The indented copy of a document costs its depth in indents for every node; a small file of deeply
// nested elements would take gigabytes to write back. Nothing this program writes comes near.
bool nestsTooDeeply(pugi::xml_node root) {
    constexpr std::size_t kMaxIndents = std::size_t{4} << 20;
    std::size_t indents = 0;
    return !forEachDescendant(root, [&indents](pugi::xml_node, std::size_t depth) {
        indents += depth;
        return indents <= kMaxIndents;
    });
}

// The element's text when it holds text only (or nothing); false when it has child elements or
// other markup, which no value of ours ever has.
bool textOf(pugi::xml_node element, std::string& text) {
    text.clear();
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
        else if (child.type() != pugi::node_comment)
            return false;
    }
    return true;
}

// Our values are always written with a start and an end tag, empty or not: one element holding the
// value as its text.
void setText(pugi::xml_node element, const std::string& text) {
    while (element.first_child())
        element.remove_child(element.first_child());
    element.append_child(pugi::node_pcdata).set_value(text.c_str());
}

// A reader folds a carriage return in element text into a line feed, so one in a value goes into
// the file as a character reference. Loaded text has none left (line ends are folded on reading),
// and the writer breaks lines with line feeds, so every carriage return in the output is ours.
std::string referenceCarriageReturns(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == '\r')
            result += "&#13;";
        else
            result += c;
    }
    return result;
}

// The declaration in the order XML requires: version, encoding, then standalone when it was there.
void writeDeclaration(pugi::xml_document& document) {
    pugi::xml_node declaration = document.first_child();
    if (declaration.type() != pugi::node_declaration)
        declaration = document.prepend_child(pugi::node_declaration);
    const std::string standalone = declaration.attribute("standalone").value();
    while (declaration.first_attribute())
        declaration.remove_attribute(declaration.first_attribute());
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("iso-8859-1");
    if (!standalone.empty())
        declaration.append_attribute("standalone").set_value(standalone.c_str());
}

enum class IntegerText { Number, NotANumber, OutOfRange };

IntegerText parseInteger(const std::string& raw, int& value) {
    const std::string text = trimmed(raw);
    if (auto number = FieldToInt(text)) {
        value = *number;
        return IntegerText::Number;
    }
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    const bool allDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                                          [](char c) { return c >= '0' && c <= '9'; });
    return allDigits ? IntegerText::OutOfRange : IntegerText::NotANumber;
}

struct LoadedFile {
    bool exists = false;
    bool readable = false; // the bytes could be read
    bool damaged = false;  // read, but not a settings document we can keep
    std::string reason;
    pugi::xml_document document;
};

std::string errnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

void loadFile(const std::string& fileName, LoadedFile& file) {
    std::error_code ec;
    const fs::file_status status = fs::status(fileName, ec);
    if (ec || !fs::exists(status)) {
        file.exists = false;
        if (ec && ec != std::errc::no_such_file_or_directory) {
            file.exists = true;
            file.reason = "cannot examine " + fileName + ": " + ec.message();
        }
        return;
    }
    file.exists = true;
    if (!fs::is_regular_file(status)) {
        file.reason = fileName + " is not a regular file";
        return;
    }
    const std::uintmax_t size = fs::file_size(fileName, ec);
    if (ec) {
        file.reason = "cannot read " + fileName + ": " + ec.message();
        return;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        file.reason = "cannot read " + fileName + ": " + errnoText(errno);
        return;
    }
    file.readable = true;
    if (size > kMaxFileSize) {
        file.damaged = true;
        file.reason = fileName + " is too large to be a settings file";
        return;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const unsigned options =
        pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_result result =
        file.document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
    if (!result) {
        file.damaged = true;
        file.reason = fileName + " is not a well-formed XML file (" + result.description() + " at byte " +
                      std::to_string(result.offset) + ")";
        return;
    }
    if (!documentIsValidUtf8(file.document)) {
        file.damaged = true;
        file.reason = fileName + " holds text that is not valid in its encoding";
        return;
    }
    if (nestsTooDeeply(file.document)) {
        file.damaged = true;
        file.reason = fileName + " nests its elements too deeply to be a settings file";
        return;
    }
    const pugi::xml_node root = file.document.document_element();
    if (root && std::strcmp(root.name(), "Configuration") != 0) {
        file.damaged = true;
        file.reason = fileName + " is not a settings file (its root element is " + root.name() + ")";
    }
}

// Keeps a copy of a damaged file beside it; false when no copy could be made.
bool keepCopy(const std::string& fileName, std::string& error) {
    std::error_code ec;
    fs::copy_file(fileName, fileName + ".bad", fs::copy_options::overwrite_existing, ec);
    if (ec) {
        error += "; no copy could be kept as " + fileName + ".bad (" + ec.message() + ")";
        return false;
    }
    error += "; a copy was kept as " + fileName + ".bad";
    return true;
}

bool isReadOnly(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0)
        return false;
    // The mode bits, not access(): the superuser may write anything, but a file marked read-only
    // means "leave me alone" for everyone.
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(fileName.c_str(), W_OK) != 0;
}

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, std::size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
    std::string text;
};

bool writeAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// For a file that exists in a folder we may not create files in: rewrite it where it is.
bool rewriteInPlace(const std::string& path, const std::string& bytes, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (fd >= 0)
        ok = (::close(fd) == 0) && ok;
    if (!ok)
        error = "cannot write " + path + ": " + errnoText(writeError);
    return ok;
}

// Writes the bytes next to the target and renames them over it, so a failed write never leaves a
// half-written settings file.
bool replaceFile(const std::string& target, const std::string& bytes, std::string& error) {
    std::error_code ec;
    std::string path = target;
    if (fs::is_symlink(path, ec)) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec)
            path = resolved.string();
    }
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (ec) {
            error = "cannot create the folder " + folder.string() + ": " + ec.message();
            return false;
        }
    }
    // A new file gets 0666 less the umask from the kernel; a replaced one keeps its mode.
    const std::string pattern = path + ".new-" + std::to_string(::getpid());
    ::unlink(pattern.c_str()); // left over by a crashed run of the same process id
    const int fd = ::open(pattern.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if ((errno == EACCES || errno == EPERM) && fs::is_regular_file(path, ec))
            return rewriteInPlace(path, bytes, error);
        error = "cannot write " + target + ": " + errnoText(errno);
        return false;
    }
    struct stat info {};
    const bool replacing = ::stat(path.c_str(), &info) == 0;
    bool ok =
        (!replacing || ::fchmod(fd, info.st_mode & 07777) == 0) && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(pattern.c_str(), path.c_str()) == 0)
        return true;
    error = "cannot write " + target + ": " + errnoText(ok ? errno : writeError);
    ::unlink(pattern.c_str());
    return false;
}

} // namespace

// --- TStoredValue ---------------------------------------------------------------------------

int TStoredValue::asInteger(int fallback) const {
    switch (kind_) {
    case Kind::Integer:
        return integer_;
    case Kind::Text:
        return FieldToInt(trimmed(text_), fallback);
    case Kind::Empty:
        break;
    }
    return fallback;
}

std::string TStoredValue::asText() const {
    switch (kind_) {
    case Kind::Integer:
        return std::to_string(integer_);
    case Kind::Text:
        return text_;
    case Kind::Empty:
        break;
    }
    return {};
}

// --- TFormStorage ---------------------------------------------------------------------------

TFormStorage::TFormStorage() : TFormStorage(std::string()) {}

TFormStorage::TFormStorage(std::string fileName)
    : fileName_(std::move(fileName)), StoredValues{
                                          {kShortCut, TStoredValue(kInitialShortCut)},
                                          {kLanguage, TStoredValue(std::string())},
                                          {kFlipEffectType, TStoredValue(0)},
                                          {kFlipEffectOption, TStoredValue(kInitialFlipEffectOption)},
                                          {kBackEffectType, TStoredValue(0)},
                                          {kBackEffectOption, TStoredValue(kInitialBackEffectOption)}} {}

TFormStorage::Entry* TFormStorage::find(std::string_view name) {
    for (Entry& entry : StoredValues)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

const TFormStorage::Entry* TFormStorage::find(std::string_view name) const {
    return const_cast<TFormStorage*>(this)->find(name);
}

TStoredValue TFormStorage::GetValue(std::string_view name) const {
    const Entry* entry = find(name);
    return entry ? entry->value : TStoredValue();
}

void TFormStorage::SetValue(std::string_view name, const TStoredValue& value) {
    if (value.isEmpty())
        return;
    Entry* entry = find(name);
    if (!entry) {
        StoredValues.push_back({std::string(name), value});
        return;
    }
    if (entry->value.isInteger())
        entry->value = TStoredValue(value.asInteger(-1));
    else
        entry->value = TStoredValue(value.asText());
}

std::vector<std::string> TFormStorage::Names() const {
    std::vector<std::string> names;
    for (const Entry& entry : StoredValues)
        names.push_back(entry.name);
    return names;
}

bool TFormStorage::Restore() {
    lastError_.clear();
    keepDamagedFile_ = false;
    if (fileName_.empty()) {
        lastError_ = "no settings file was chosen";
        return false;
    }
    LoadedFile file;
    loadFile(fileName_, file);
    if (!file.exists)
        return true;
    if (!file.readable) {
        // Something we cannot even read is something we must not replace blindly.
        lastError_ = file.reason;
        keepDamagedFile_ = true;
        return false;
    }
    bool damaged = file.damaged;
    std::string reason = file.reason;
    const pugi::xml_node store = file.document.child("Configuration").child("Zorvane");
    if (!damaged && store) {
        int formVersion = 0;
        if (pugi::xml_node version = store.child(kFormVersion)) {
            std::string text;
            if (!textOf(version, text) || parseInteger(text, formVersion) != IntegerText::Number) {
                damaged = true;
                reason = fileName_ + ": FormVersion is not a number";
                formVersion = -1;
            }
        }
        for (Entry& entry : StoredValues) {
            if (formVersion < 0)
                break;
            const pugi::xml_node element = store.child(elementName(entry.name).c_str());
            if (!element)
                continue;
            std::string text;
            if (!textOf(element, text)) {
                damaged = true;
                reason = fileName_ + ": " + entry.name + " holds markup instead of a value";
                continue;
            }
            if (!entry.value.isInteger()) {
                entry.value = TStoredValue(text);
                continue;
            }
            int number = 0;
            switch (parseInteger(text, number)) {
            case IntegerText::Number:
                entry.value = TStoredValue(number);
                break;
            case IntegerText::NotANumber:
                entry.value = TStoredValue(-1);
                break;
            case IntegerText::OutOfRange:
                damaged = true;
                reason = fileName_ + ": " + entry.name + " is out of range";
                break;
            }
        }
    }
    if (!damaged)
        return true;
    lastError_ = reason;
    keepDamagedFile_ = !keepCopy(fileName_, lastError_);
    return false;
}

bool TFormStorage::Save() {
    lastError_.clear();
    if (fileName_.empty()) {
        lastError_ = "no settings file was chosen";
        return false;
    }
    if (keepDamagedFile_) {
        lastError_ = "the settings file " + fileName_ +
                     " could not be read and no copy of it could be kept, so "
                     "it was not replaced";
        return false;
    }
    if (isReadOnly(fileName_)) {
        lastError_ = "the settings file " + fileName_ + " is read-only; the settings were not saved";
        return false;
    }

    // Start from what the file holds now, so that elements of others survive unchanged.
    LoadedFile file;
    loadFile(fileName_, file);
    if (file.exists && !file.readable) {
        lastError_ = file.reason;
        return false;
    }
    pugi::xml_document& document = file.document;
    if (file.damaged) {
        lastError_ = file.reason;
        if (!keepCopy(fileName_, lastError_))
            return false;
        lastError_.clear();
        document.reset();
    }

    writeDeclaration(document);

    pugi::xml_node root = document.child("Configuration");
    if (!root)
        root = document.append_child("Configuration");
    pugi::xml_node store = root.child("Zorvane");
    if (!store)
        store = root.append_child("Zorvane");

    const auto write = [&store](const std::string& name, const std::string& text) {
        const std::string element = elementName(name);
        pugi::xml_node node = store.child(element.c_str());
        if (!node)
            node = store.append_child(element.c_str());
        setText(node, text);
    };
    write(kFormVersion, "0");
    for (const Entry& entry : StoredValues)
        write(entry.name, entry.value.asText());

    makeLatin1Safe(document);
    StringWriter writer;
    document.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
    return replaceFile(fileName_, Utf8ToLatin1WithReferences(referenceCarriageReturns(writer.text)),
                       lastError_);
}

} // namespace zorvane
