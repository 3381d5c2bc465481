#pragma once
// The index run over one reflectance file: one value per column and index,
// the index file and the derivative file.
#include <string>
#include <vector>

#include "indices/index_values.h"
#include "indices/reflectance_reader.h"

namespace corvelane {

// Values of every column and index: value(k, j) = values[k * indices + j].
struct IndexTable {
  std::size_t indices = 0;
  std::vector<double> values;
  double Value(std::size_t column, std::size_t index) const noexcept { return values[column * indices + index]; }
};

// Every index of `definitions` for every column of `table`. Rows are found
// and checked for all indices before any value is formed, so a row outside
// the table fails the run (RunFailure naming the file, index and wavelength)
// before anything of the file is written.
IndexTable ComputeIndices(const ReflectanceTable& table, const std::vector<IndexDefinition>& definitions);

// Empty, or one warning naming the file and the columns of `table` whose
// 999 marks this run reads (each with the wavelengths of its marked rows):
// any mark when the derivative file is written, otherwise the marks in the
// rows `definitions` read. The run writes 999 wherever it reads a mark.
std::string MarkedColumnsWarning(const ReflectanceTable& table, const std::vector<IndexDefinition>& definitions,
                                 bool derivativeFile);

// The index file: "Index file", one line per index definition, the head line
// and one line per column; every field followed by a print-zone fill and ",".
// Written under a temporary name and renamed into place.
void WriteIndexFile(const ReflectanceTable& table, const std::vector<IndexDefinition>& definitions,
                    const IndexTable& values, const std::string& path);
std::string IndexFileText(const ReflectanceTable& table, const std::vector<IndexDefinition>& definitions,
                          const IndexTable& values);

// The derivative file: "Derivative file", the names, dates, times and
// temperatures each followed by ",", one more ","; then per difference i the
// wavelength of row i + 1 and the first derivative of every column, each
// followed by ",". No print-zone fills.
void WriteDerivativeFile(const ReflectanceTable& table, const std::string& path, unsigned threads = 0);
std::string DerivativeFileText(const ReflectanceTable& table);

}  // namespace corvelane
