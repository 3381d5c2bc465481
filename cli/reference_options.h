#pragma once
// The reference options of `corvelane convert unispec-dc`: reference scans
// and the corrected reflectance file, or a `.ref` file with indices and the
// index file.
#include <string>
#include <vector>

#include "indices/index_values.h"
#include "reference/reference_step.h"

namespace CLI {
class App;
}

namespace corvelane::cli {

struct ReferenceOptions {
  std::vector<std::string> referenceScans;  // --reference-scan, in the order given
  std::string corrected;                    // --corrected
  std::string refFile;                      // --ref-file
  std::vector<std::string> indexTexts;      // --index NAME,A,B,FORMULA
  std::string indices;                      // --indices
  std::vector<IndexDefinition> parsedIndices;

  bool Correct() const noexcept { return !corrected.empty(); }
  bool ApplyRef() const noexcept { return !refFile.empty(); }
  bool Any() const noexcept {
    return Correct() || ApplyRef() || !referenceScans.empty() || !indexTexts.empty() || !indices.empty();
  }
};

void AddReferenceOptions(CLI::App& convert, ReferenceOptions& o);

// Checks that the options come in their groups and parses the indices.
// Fails with a usage failure naming what is missing.
void CheckReferenceOptions(ReferenceOptions& o, bool formatTakesReference);

// Answers the questions of the `.ref` step from the options; instead of
// asking whether the file's range is right it prints "FILE: first F, last L"
// on `err` and goes on.
class OptionsRefFileAsker final : public RefFileAsker {
 public:
  OptionsRefFileAsker(const ReferenceOptions& o, std::ostream& err) : o_(o), err_(err) {}
  std::string RefFilePath() override { return o_.refFile; }
  bool RangeIsRight(const std::string& path, const RefFileSummary& summary) override;
  std::vector<IndexDefinition> Indices() override { return o_.parsedIndices; }
  std::string IndexFilePath() override { return o_.indices; }

 private:
  const ReferenceOptions& o_;
  std::ostream& err_;
};

}  // namespace corvelane::cli
