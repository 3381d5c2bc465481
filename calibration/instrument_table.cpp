#include "calibration/instrument_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "text/atomic_file.h"
#include "text/comma_list.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

namespace {

void WriteWhole(const std::string& path, std::string_view text);

// The file as read, with where each record line and the end marker stand, so
// a rewrite can change one line and copy every other byte.
struct ParsedFile {
  std::string text;
  bool hasMarker = false;
  std::vector<InstrumentRecord> records;
  std::vector<std::pair<std::size_t, std::size_t>> spans;  // record line, line end included
  std::size_t endStart = std::string::npos;                // offset of the "end" line
  std::size_t endStop = std::string::npos;                 // just after it
};

bool IsMarker(std::string_view line) {
  // The first four characters, blanks aside, read "Data" (the program writes "Data:").
  const std::string_view t = Trim(line);
  return t.substr(0, 4) == "Data";
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> fields = SplitCommas(line);
  if (fields.size() > 1 && fields.back().empty()) fields.pop_back();  // each field is followed by ","
  return fields;
}

ParsedFile Parse(std::string text) {
  ParsedFile p;
  p.text = std::move(text);
  LineCursor lines(p.text);
  std::string_view line;
  std::size_t start = lines.Offset();
  while (lines.Next(line)) {
    const std::size_t stop = lines.Offset();
    if (!p.hasMarker) {
      p.hasMarker = IsMarker(line);
    } else if (!Trim(line).empty()) {  // free-field reading skips empty lines
      std::vector<std::string> fields = SplitFields(line);
      if (fields.front() == "end") {
        p.endStart = start;
        p.endStop = stop;
        break;
      }
      InstrumentRecord r;
      r.name = std::move(fields.front());
      r.line = lines.LineNumber();
      r.fieldCount = fields.size();
      for (std::size_t i = 0; i < 6 && i + 1 < fields.size(); ++i) r.coefficients[i] = std::move(fields[i + 1]);
      p.records.push_back(std::move(r));
      p.spans.emplace_back(start, stop);
    }
    start = stop;
  }
  return p;
}

ParsedFile ReadParsedAsIs(const std::string& path) {
  std::string text;
  bool truncated = false;
  ReadFileBounded(path, text, truncated);  // refuses a pipe or a device, which could hang the read
  if (truncated) FailFile(path, "the file is larger than 16 MiB, far more than any instrument table");
  return Parse(std::move(text));
}

// Changes to the table are made one program at a time: each holds an
// advisory lock on the table's folder across reading, changing and renaming
// the new file into place, so two programs adding at once both keep their
// records. (The folder, not the file: the file is replaced by every change,
// and may not exist yet.) Readers need no lock, since the rename is atomic.
class TableLock {
 public:
  explicit TableLock(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string name = folder.empty() ? std::string(".") : folder.string();
    fd_ = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that cannot be opened (missing, or writable but not
    // readable) or a file system without locks cannot be locked: the change
    // goes on unlocked, and reading or writing the table says what is wrong.
    if (fd_ < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kInstrumentLockWait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      if (err == ENOLCK || err == EOPNOTSUPP || err == EINVAL) return;
      if ((err != EWOULDBLOCK && err != EINTR) || std::chrono::steady_clock::now() >= deadline) {
        ::close(fd_);
        FailFile(path, err == EWOULDBLOCK
                           ? "another program has been changing the instrument table for " +
                                 std::to_string(kInstrumentLockWait.count()) + " s; try again when it is done"
                           : "cannot lock the instrument table: " + std::string(std::strerror(err)));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~TableLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

 private:
  int fd_ = -1;
};

bool WriteDefaultWhenMissing(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) FailFile(path, "cannot look for the file: " + ec.message());
  if (std::filesystem::exists(status)) return false;
  WriteWhole(path, DefaultInstrumentFileText());
  return true;
}

// The table as it stands; the caller holds the lock.
ParsedFile ReadParsedLocked(const std::string& path) {
  WriteDefaultWhenMissing(path);
  return ReadParsedAsIs(path);
}

ParsedFile ReadParsed(const std::string& path) {
  EnsureInstrumentFile(path);
  return ReadParsedAsIs(path);
}

void WriteWhole(const std::string& path, std::string_view text) {
  AtomicFileWriter out(path);
  out.Write(text);
  out.Commit();
}

// The line end the file already uses, so a rewritten line matches its neighbours.
std::string_view LineEndOf(std::string_view text, std::size_t lineStart) {
  const std::size_t e = text.find_first_of("\r\n", lineStart);
  if (e == std::string_view::npos) return kLineEnd;
  if (text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') return "\r\n";
  return text.substr(e, 1);
}

void RequireMarker(const ParsedFile& p, const std::string& path) {
  if (!p.hasMarker) FailFile(path, "the file has no \"Data:\" line, so no instrument in it could ever be read");
}

// A rewrite of the table as it stood (`old`): the old text goes to the
// backup first, so a failed backup leaves the table untouched.
void Rewrite(const std::string& path, std::string_view old, std::string_view text) {
  WriteWhole(InstrumentBackupPath(path), old);
  WriteWhole(path, text);
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y && !(x < 128 && y < 128 && std::tolower(x) == std::tolower(y))) return false;
  }
  return true;
}

std::optional<std::size_t> RecordAt(const ParsedFile& p, std::size_t index, std::string_view name) {
  if (index >= p.records.size() || Trim(p.records[index].name) != Trim(name)) return std::nullopt;
  return index;
}

void ReplaceRecord(const std::string& path, const ParsedFile& p, std::size_t i,
                   const std::array<std::string, 6>& coefficients) {
  const auto [start, stop] = p.spans[i];
  const std::string_view text = p.text;
  std::string out(text.substr(0, start));
  out += InstrumentRecordLine(p.records[i].name, coefficients);
  if (stop > start && (text[stop - 1] == '\n' || text[stop - 1] == '\r')) out += LineEndOf(text, start);
  out += text.substr(stop);
  Rewrite(path, p.text, out);
}

void RemoveRecord(const std::string& path, const ParsedFile& p, std::size_t i) {
  const auto [start, stop] = p.spans[i];
  std::string out(std::string_view(p.text).substr(0, start));
  out += std::string_view(p.text).substr(stop);
  Rewrite(path, p.text, out);
}

}  // namespace

std::string InstrumentFilePath(const std::string& folder) {
  if (folder.empty()) return "inst.cof";
  return folder.back() == '/' ? folder + "inst.cof" : folder + "/inst.cof";
}

std::string InstrumentRecordLine(std::string_view name, const std::array<std::string, 6>& coefficients) {
  std::string line(name);
  line += ',';
  for (const std::string& c : coefficients) {
    line += c;
    AppendPrintZoneFill(line, 0);
    line += ',';
  }
  return line;
}

std::string DefaultInstrumentFileText() {
  const auto record = [](std::string_view name, std::array<double, 6> c) {
    std::string line(name);
    line += ',';
    for (double v : c) {
      AppendNumber(line, v);
      line += ',';
    }
    return line;
  };
  std::string text = "Data:";
  text += kLineEnd;
  text += record("DC 1", {301.1004976, 3.326823976, -0.0002851923768, 301.2242815, 3.332275231, -0.0003061076534});
  text += kLineEnd;
  text += record("DC 2", {300.5829261, 3.325460401, -0.0002928427608, 301.0290324, 3.333019474, -0.0003356843766});
  text += kLineEnd;
  text += "end";
  return text;
}

bool EnsureInstrumentFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return false;
  const TableLock lock(path);  // another program may be writing it meanwhile
  return WriteDefaultWhenMissing(path);
}

std::vector<InstrumentRecord> LoadInstruments(const std::string& path) { return ReadParsed(path).records; }

InstrumentRecord ReadInstrument(const std::string& path, std::size_t index) {
  ParsedFile p = ReadParsed(path);
  if (index >= p.records.size())
    FailFile(path,
             "the file holds " + std::to_string(p.records.size()) + " instruments, not " + std::to_string(index + 1));
  return p.records[index];
}

std::optional<std::size_t> FindInstrument(const std::vector<InstrumentRecord>& records, std::string_view name) {
  const std::string_view wanted = Trim(name);
  for (std::size_t i = 0; i < records.size(); ++i)
    if (Trim(records[i].name) == wanted) return i;
  return std::nullopt;
}

std::optional<std::size_t> FindInstrumentName(const std::vector<InstrumentRecord>& records, std::string_view name) {
  for (std::size_t i = 0; i < records.size(); ++i)
    if (SameNameIgnoringCase(records[i].name, name)) return i;
  return std::nullopt;
}

std::string InstrumentBackupPath(const std::string& path) { return path + ".bak"; }

std::optional<std::array<double, 6>> InstrumentCoefficients(const InstrumentRecord& record) {
  std::array<double, 6> values{};
  for (std::size_t i = 0; i < 6; ++i) {
    const auto v = ParseNumber(record.coefficients[i]);
    if (!v) return std::nullopt;
    values[i] = *v;
  }
  return values;
}

void RequireStorableInstrument(const std::string& path, std::string_view name,
                               const std::array<std::string, 6>& coefficients) {
  const auto breaks = [](std::string_view s) { return s.find_first_of(",\r\n") != std::string_view::npos; };
  const std::string_view n = Trim(name);
  const auto refuse = [&path](std::string why) { FailFile(path, std::move(why), FailureKind::Usage); };
  if (n.empty()) refuse("an instrument needs a name");
  if (n == "end") refuse("\"end\" marks the end of the table and cannot name an instrument");
  if (breaks(n)) refuse("an instrument name cannot hold a comma or a line break: \"" + Printable(n) + "\"");
  static constexpr std::array<const char*, 6> kNames = {"A1", "B1", "C1", "A2", "B2", "C2"};
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string& c = coefficients[i];
    if (breaks(c)) refuse("a coefficient cannot hold a comma or a line break: \"" + Printable(c) + "\"");
    if (!ParseNumber(c)) refuse(std::string("coefficient ") + kNames[i] + " is not a number: \"" + Printable(c) + "\"");
  }
}

void AddInstrument(const std::string& path, std::string_view name, const std::array<std::string, 6>& coefficients) {
  RequireStorableInstrument(path, name, coefficients);
  const TableLock lock(path);
  const ParsedFile p = ReadParsedLocked(path);
  RequireMarker(p, path);
  if (const auto held = FindInstrumentName(p.records, name))
    FailFile(path,
             "the table already holds an instrument \"" + Printable(Trim(p.records[*held].name)) +
                 "\" (names are compared without letter case); choose another name",
             FailureKind::Usage);
  const std::string_view text = p.text;
  const std::size_t cut = p.endStart == std::string::npos ? text.size() : p.endStart;
  std::string out(text.substr(0, cut));
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += kLineEnd;
  out += InstrumentRecordLine(name, coefficients);
  out += kLineEnd;
  out += "end";
  // Whatever followed the end marker is never read, but it is the user's: keep it.
  if (p.endStop != std::string::npos && p.endStop < text.size()) {
    out += LineEndOf(text, p.endStart);
    out += text.substr(p.endStop);
  }
  Rewrite(path, p.text, out);
}

bool UpdateInstrument(const std::string& path, std::string_view name, const std::array<std::string, 6>& coefficients) {
  RequireStorableInstrument(path, name, coefficients);
  const TableLock lock(path);
  const ParsedFile p = ReadParsedLocked(path);
  const auto i = FindInstrument(p.records, name);
  if (!i) return false;
  ReplaceRecord(path, p, *i, coefficients);
  return true;
}

bool DeleteInstrument(const std::string& path, std::string_view name) {
  const TableLock lock(path);
  const ParsedFile p = ReadParsedLocked(path);
  const auto i = FindInstrument(p.records, name);
  if (!i) return false;
  RemoveRecord(path, p, *i);
  return true;
}

bool UpdateInstrumentAt(const std::string& path, std::size_t index, std::string_view name,
                        const std::array<std::string, 6>& coefficients) {
  RequireStorableInstrument(path, name, coefficients);
  const TableLock lock(path);
  const ParsedFile p = ReadParsedLocked(path);
  const auto i = RecordAt(p, index, name);
  if (!i) return false;
  ReplaceRecord(path, p, *i, coefficients);
  return true;
}

bool DeleteInstrumentAt(const std::string& path, std::size_t index, std::string_view name) {
  const TableLock lock(path);
  const ParsedFile p = ReadParsedLocked(path);
  const auto i = RecordAt(p, index, name);
  if (!i) return false;
  RemoveRecord(path, p, *i);
  return true;
}

}  // namespace corvelane
