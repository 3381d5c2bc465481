#pragma once
// inst.cof: the named two-channel calibrations of UniSpec-DC instruments.
//
//   any comment lines
//   Data:
//   DC 1, 301.1004976 , 3.326823976 ,-0.0002851923768 , ... ,
//   end
//
// One record line per instrument: name, A1, B1, C1 (channel 1), A2, B2, C2
// (channel 2), each field followed by ","; blanks around a field do not
// count. Every rewrite goes through a temporary file and a rename, so a crash
// never leaves a truncated table; lines it does not change stay byte for byte.
// Before a rewrite the file as it stood is kept beside it as inst.cof.bak,
// so one wrong click can be undone by hand.
// A change (add, update, delete, or writing the missing file) is made under
// an advisory lock on the table's folder, so programs changing it at once
// take turns instead of losing each other's records.
#include <array>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvelane {

// How long a change waits for another program's change before it fails.
inline constexpr std::chrono::seconds kInstrumentLockWait{5};

struct InstrumentRecord {
  std::string name;                         // trimmed
  std::array<std::string, 6> coefficients;  // A1, B1, C1, A2, B2, C2 as texts, trimmed
  std::size_t line = 0;                     // physical line in the file (1-based)
  std::size_t fieldCount = 0;               // fields the line held, the name included
};

// folder + "/inst.cof".
std::string InstrumentFilePath(const std::string& folder);

// The content written when inst.cof is missing: "DC 1" and "DC 2".
std::string DefaultInstrumentFileText();

// Writes the default file when `path` does not exist. Returns true when it
// wrote it. Throws RunFailure when it cannot, or when another program holds
// the table's lock for kInstrumentLockWait (a file that exists but cannot
// be read is never replaced).
bool EnsureInstrumentFile(const std::string& path);

// Every record after the marker line up to "end" (or the end of the file),
// in file order. Writes the default file first when `path` is missing.
// Throws RunFailure when the file cannot be read or written.
std::vector<InstrumentRecord> LoadInstruments(const std::string& path);

// Record i (0-based, file order). Throws RunFailure when there is no such record.
InstrumentRecord ReadInstrument(const std::string& path, std::size_t index);

// The first record whose name equals `name` once blanks are trimmed from
// both (letter case counts).
std::optional<std::size_t> FindInstrument(const std::vector<InstrumentRecord>& records, std::string_view name);

// The first record whose name equals `name` blanks trimmed and letter case
// aside: names are unique in this sense ("DC 2" and "dc 2" are one name).
std::optional<std::size_t> FindInstrumentName(const std::vector<InstrumentRecord>& records, std::string_view name);

// path + ".bak": the table as it stood before the last rewrite.
std::string InstrumentBackupPath(const std::string& path);

// The six coefficients as numbers; empty when a field is missing or not a number.
std::optional<std::array<double, 6>> InstrumentCoefficients(const InstrumentRecord& record);

// The record line as the program writes it (no line end): the name, ",",
// then each coefficient text followed by a print-zone fill and ",".
std::string InstrumentRecordLine(std::string_view name, const std::array<std::string, 6>& coefficients);

// Refuses texts that would damage the table as a name or coefficient (a
// comma or a line break splits the record, an empty name or "end" ends the
// table) and coefficients that are not numbers: throws RunFailure of kind
// Usage naming `path` and why.
void RequireStorableInstrument(const std::string& path, std::string_view name,
                               const std::array<std::string, 6>& coefficients);

// Appends a record before the end marker (the marker is written, without a
// line break, when the file had none). Comment lines and later records stay.
// Throws RunFailure when the texts cannot be stored (RequireStorableInstrument),
// or the table already holds the name (FindInstrumentName; both of kind
// Usage), or the file has no marker line or cannot be read or written.
void AddInstrument(const std::string& path, std::string_view name, const std::array<std::string, 6>& coefficients);

// Rewrites the six coefficients of the first record named `name`; false
// (file untouched) when there is none. Throws as AddInstrument.
bool UpdateInstrument(const std::string& path, std::string_view name, const std::array<std::string, 6>& coefficients);

// Removes the first record named `name`; false (file untouched) when there is none.
bool DeleteInstrument(const std::string& path, std::string_view name);

// The same for record `index` (0-based, file order), as a list of the table
// shows it: acts only when that record is still named `name` (the file may
// have changed since it was listed); false (file untouched) otherwise.
bool UpdateInstrumentAt(const std::string& path, std::size_t index, std::string_view name,
                        const std::array<std::string, 6>& coefficients);
bool DeleteInstrumentAt(const std::string& path, std::size_t index, std::string_view name);

}  // namespace corvelane
