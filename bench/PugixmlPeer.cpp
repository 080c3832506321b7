// The converter that bench/compare measures the project against: what an engineer would write in
// a day on pugixml. It loads the old project whole, walks it, builds the whole new project in a
// second document and saves that readable, as UTF-8 with a byte-order mark and CR LF line ends.
// The mapping is complete for what the generated projects hold; the finer points are left out
// (comments among languages and excludes, CDATA, attribute names in another case).
//
//   pugixml-peer OLD.vlp NEW.vxp
//
// Prints the counts of what it converted on stderr; exits with 1 on any failure.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <pugixml.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool named(pugi::xml_node node, const char* name) {
  return std::strcmp(node.name(), name) == 0;
}

int strict_integer(pugi::xml_node node) {
  const char* text = node.child_value();
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0')
    throw std::runtime_error("'" + std::string(text) + "' is not a valid integer value");
  return static_cast<int>(value);
}

std::string with_dots_escaped(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size() + 4);
  for (const char c : text)
    escaped += c == '.' ? std::string_view("\xE2\x80\xA4") : std::string_view(&c, 1);
  return escaped;
}

void replace_each(std::string& text, std::string_view marker, std::string_view replacement) {
  for (std::size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + replacement.size()))
    text.replace(at, marker.size(), replacement);
}

std::string quoted_with_line_breaks(const char* text) {
  std::string quoted = std::string("\"") + text + '"';
  if (std::strchr(text, '#') == nullptr)
    return quoted;
  replace_each(quoted, "#C#L#C#L", "\r\n\r\n");
  replace_each(quoted, "#L#C#L#C", "\r\n");
  replace_each(quoted, "#C#L", "\r\n");
  replace_each(quoted, "#L#C", "\r\n");
  replace_each(quoted, "#N", "\r\n");
  return quoted;
}

const char* new_language_code(const char* code) {
  return std::strcmp(code, "sh") == 0 ? "sr.lat" : code;
}

void add_text(pugi::xml_node parent, const char* name, const char* value) {
  pugi::xml_node child = parent.append_child(name);
  if (*value != '\0')
    child.text() = value;
}

const char* truth(bool value) {
  return value ? "True" : "False";
}

struct Location {
  const char* target = nullptr;
  std::string context;
  const char* unit = "";
  const char* item = "";
  int chars = 0;
};

// The context path of a row in the new project, from its location and the native text so far.
void read_location(pugi::xml_node node, const char* native, Location& location) {
  const char* type = node.child_value("TYPE");
  if (pugi::xml_node chars = node.child("CHARS"))
    location.chars = chars.text().as_int();
  if (pugi::xml_node target = node.child("TARGET"))
    location.target = target.child_value();
  pugi::xml_node unit = node.child("UNIT");
  pugi::xml_node item = node.child("ITEM");
  if (std::strcmp(type, "FORM") == 0) {
    location.context = "Forms";
    for (pugi::xml_node part : {unit, item, node.child("PROPERTY")})
      if (part)
        location.context.append(".").append(part.child_value());
    if (unit)
      location.unit = unit.child_value();
    if (item)
      location.item = item.child_value();
  } else if (std::strcmp(type, "STRING") == 0) {
    location.context = std::string("Strings.") + unit.child_value() + "." + item.child_value();
  } else if (std::strcmp(type, "SOURCE") == 0) {
    location.context = "Source";
    if (pugi::xml_node file = node.child("FILE"))
      location.context.append(".").append(with_dots_escaped(file.child_value()));
    location.context.append(".").append(native);
  }
}

std::string new_context(std::string_view old_context) {
  std::string lowered(old_context);
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  std::string_view prefix = "Source.";
  std::size_t found = lowered.find(".pas.");
  if (found == std::string::npos) {
    prefix = "Forms.";
    found = lowered.find(".dfm.");
  }
  if (found == std::string::npos)
    return std::string(old_context);
  const std::size_t closing_dot = found + 4;
  return std::string(prefix) + with_dots_escaped(old_context.substr(0, closing_dot)) +
         std::string(old_context.substr(closing_dot));
}

struct Translation {
  const char* text;
  const char* language;
};

class Conversion {
public:
  Conversion(pugi::xml_node old_root, const char* old_path) : old_(old_root) {
    pugi::xml_node declaration = new_.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    root_ = new_.append_child("xml");
    root_.append_attribute("version") = "7.5.0.0";
    pugi::xml_node info = root_.append_child("infos").append_child("info");
    info.append_attribute("infotype") = "description";
    const std::string description =
        std::string("This project is auto-upgraded from Vornalex 5 project \"") + old_path + "\".";
    info.text() = description.c_str();
    dictionary_ = old_.child("DICTIONARY").child_value("NAME");
  }

  void convert() {
    convert_languages();
    pugi::xml_node targets = root_.append_child("targets");
    for (pugi::xml_node target : old_.child("TARGETS").children())
      convert_target(target, targets);
    if (has_languages_)
      for (pugi::xml_node row : old_.child("DATA").child("ROWS").children())
        convert_row(row);
    pugi::xml_node excludes = root_.append_child("excludes");
    for (pugi::xml_node text : old_.child("EXCLUDESTRINGS").children())
      add_exclude(excludes, "native", text.child_value());
    for (pugi::xml_node context : old_.child("EXCLUDECONTEXTS").children())
      add_exclude(excludes, "context", new_context(context.child_value()).c_str());
  }

  const pugi::xml_document& document() const { return new_; }

  void print_counts() const {
    std::fprintf(stderr, "%zu targets, %ld of %ld rows, %ld excludes\n", stringdata_.size(),
                 rows_placed_, rows_read_, excludes_);
  }

private:
  void convert_languages() {
    pugi::xml_node languages = root_.append_child("languages");
    for (pugi::xml_node language : old_.child("DATA").child("LANGUAGES").children()) {
      add_text(languages, "language", new_language_code(language.attribute("language").value()));
      has_languages_ = true;
    }
  }

  void convert_target(pugi::xml_node old_target, pugi::xml_node targets) {
    std::string key;
    std::string filename;
    std::string file_list;
    bool scan_program = false;
    bool parse_project = false;
    if (named(old_target, "DELPHI_PROJECT")) {
      key = required(old_target, "PROJECTFILE").child_value();
      filename = key;
      pugi::xml_node scan = old_target.child("SCANBINARY");
      scan_program = scan && strict_integer(scan) != 0;
      parse_project = true;
    } else if (named(old_target, "DELPHI_BINARY") || named(old_target, "CPP_BINARY")) {
      key = required(old_target, "FILENAME").child_value();
      filename = key;
      scan_program = parse_project = true;
    } else if (named(old_target, "FORM") || named(old_target, "SOURCE")) {
      key = required(old_target, "FILENAME").child_value();
      pugi::xml_node subfolders = old_target.child("SCANSUBDIRS");
      file_list = (subfolders && strict_integer(subfolders) == 1 ? "R;" : "") + key + "\r\n";
      filename = ".\\VnxVirtualTarget[" + std::to_string(++virtual_targets_) + "]";
    } else {
      return;
    }

    pugi::xml_node target = targets.append_child("target");
    target.append_attribute("visible") = "true";
    target.append_attribute("enabled") = "true";
    target.append_attribute("scanner") = "{95E3B58F-A92C-4C8B-9B91-9E49A31D5F6D}";
    pugi::xml_node options = target.append_child("options");
    add_text(options, "filename", filename.c_str());
    add_text(options, "scanexe", truth(scan_program));
    add_text(options, "autoinclude", truth(!stringdata_.empty()));
    add_text(options, "taginclude", old_target.child_value("INCLUDETAGS"));
    add_text(options, "translatefunctions", old_target.child_value("FUNCTIONS"));
    add_text(options, "file_list", file_list.c_str());
    add_text(options, "parse_project", truth(parse_project));
    add_text(options, "vndfilename", dictionary_);
    if (!stringdata_.emplace(key, target.append_child("stringdata")).second)
      throw std::runtime_error("Duplicates not allowed");
    target.append_child("customdata");
  }

  static pugi::xml_node required(pugi::xml_node parent, const char* name) {
    pugi::xml_node child = parent.child(name);
    if (!child)
      throw std::runtime_error(std::string(parent.name()) + " without " + name);
    return child;
  }

  void convert_row(pugi::xml_node old_row) {
    ++rows_read_;
    const char* native = "";
    const char* comment = "";
    bool read_only = false;
    Location location;
    translations_.clear();
    for (pugi::xml_node child : old_row.children()) {
      if (named(child, "NATIVE")) {
        native = child.child_value();
      } else if (named(child, "COMMENT")) {
        comment = child.child_value();
      } else if (named(child, "NOTRANSLATE")) {
        read_only = child.text().as_int() == 1;
      } else if (named(child, "TRANSLATION")) {
        if (pugi::xml_node value = child.child("VALUE"))
          translations_.push_back({value.child_value(), child.attribute("language").value()});
      } else if (named(child, "LOCATION")) {
        if (!child.child("TYPE"))
          break;
        read_location(child, native, location);
      }
    }
    if (location.target == nullptr)
      return;
    const auto target = stringdata_.find(std::string_view(location.target));
    if (target == stringdata_.end())
      return;
    ++rows_placed_;

    pugi::xml_node row = target->second.append_child("row");
    row.append_attribute("status") = "active";
    row.append_attribute("name") = location.context.c_str();
    if (*comment != '\0')
      row.append_attribute("comment") = comment;
    if (read_only)
      row.append_attribute("readonly") = "yes";
    if (location.chars != 0)
      row.append_attribute("maxchar") = location.chars;
    if (*location.item != '\0')
      row.append_attribute("componentname") = location.item;
    if (*location.unit != '\0')
      row.append_attribute("formname") = location.unit;
    row.append_child("native").text() = quoted_with_line_breaks(native).c_str();
    for (const Translation& translation : translations_) {
      pugi::xml_node lang = row.append_child("lang");
      lang.append_attribute("id") = new_language_code(translation.language);
      lang.append_attribute("status") = "auto";
      lang.text() = quoted_with_line_breaks(translation.text).c_str();
    }
  }

  void add_exclude(pugi::xml_node excludes, const char* type, const char* value) {
    pugi::xml_node exclude = excludes.append_child("exclude");
    exclude.append_attribute("type") = type;
    exclude.append_attribute("filename") = "foo";
    exclude.append_attribute("global") = "True";
    if (*value != '\0')
      exclude.text() = value;
    ++excludes_;
  }

  pugi::xml_node old_;
  pugi::xml_document new_;
  pugi::xml_node root_;
  const char* dictionary_ = "";
  bool has_languages_ = false;
  int virtual_targets_ = 0;
  std::map<std::string, pugi::xml_node, std::less<>> stringdata_;
  std::vector<Translation> translations_;
  long rows_read_ = 0;
  long rows_placed_ = 0;
  long excludes_ = 0;
};

// pugixml ends lines with LF alone; the new project's lines end with CR LF.
class CrLfFile : public pugi::xml_writer {
public:
  explicit CrLfFile(const char* path) : file_(std::fopen(path, "wb")) {}
  ~CrLfFile() override {
    if (file_ != nullptr)
      std::fclose(file_);
  }
  CrLfFile(const CrLfFile&) = delete;
  CrLfFile& operator=(const CrLfFile&) = delete;

  void write(const void* data, std::size_t size) override {
    const char* const begin = static_cast<const char*>(data);
    const char* const end = begin + size;
    const char* next = begin;
    buffer_.clear();
    while (next != end) {
      const void* found = std::memchr(next, '\n', static_cast<std::size_t>(end - next));
      const char* line_end = found != nullptr ? static_cast<const char*>(found) : end;
      buffer_.append(next, line_end);
      if (line_end != end) {
        const char before = line_end != begin ? line_end[-1] : last_;
        buffer_.append(before == '\r' ? "\n" : "\r\n");
        ++line_end;
      }
      next = line_end;
    }
    if (size != 0)
      last_ = end[-1];
    written_ = written_ && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
  }

  bool opened() const { return file_ != nullptr; }

  bool close() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return written_ && closed;
  }

private:
  std::FILE* file_;
  std::string buffer_;
  char last_ = '\0';
  bool written_ = true;
};

bool save(const pugi::xml_document& document, const char* path) {
  CrLfFile file(path);
  if (!file.opened())
    return false;
  document.save(file, "  ", pugi::format_indent | pugi::format_write_bom, pugi::encoding_utf8);
  return file.close();
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OLD.vlp NEW.vxp\n", argv[0]);
    return 2;
  }
  try {
    pugi::xml_document old_project;
    const pugi::xml_parse_result loaded = old_project.load_file(argv[1]);
    if (!loaded) {
      std::fprintf(stderr, "%s: %s at byte %td\n", argv[1], loaded.description(), loaded.offset);
      return 1;
    }
    Conversion conversion(old_project.document_element(), argv[1]);
    conversion.convert();
    old_project.reset();
    if (!save(conversion.document(), argv[2])) {
      std::fprintf(stderr, "%s: cannot write\n", argv[2]);
      return 1;
    }
    conversion.print_counts();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}
