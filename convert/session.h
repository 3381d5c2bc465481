#pragma once
// What the user has set in the program-wide windows, as plain data: the
// windows edit and show it, and every instrument window's run builds its job
// from it and from its own controls.
#include <string>
#include <vector>

#include "calibration/dc_equation.h"
#include "calibration/wavelength_sources.h"
#include "headers/leaf_header.h"
#include "headers/transect_header.h"
#include "indices/index_values.h"

namespace corvelane {

struct Session {
  // "Get coeffecients": the wavelength equation and the first channel's number.
  EquationTexts equation;
  // "External File": the file of one wavelength per channel; empty until one
  // is chosen with OK, emptied by Cancel.
  std::string externalWavelengthFile;
  // "Wavelength Calibrations": the UniSpec-DC channel equations.
  DcEquationTexts channelEquations = DcStartTexts();
  // The header windows' texts.
  LeafHeaderTexts leafHeader;
  TransectHeaderTexts transectHeader;
  // "Calculate Reference": the reference scans "Done" handed over, in the
  // order handed over, and the names of the last plot.
  std::vector<std::string> referenceScans;
  std::string plottedNames;
  // "Index name and formula": the indices an index run computes.
  std::vector<IndexDefinition> indexList;
  // "Field key...": the key joined to the long table (empty: none), and the
  // key columns whose groups the long table averages (none: every scan's rows).
  std::string fieldKeyFile;
  std::vector<std::string> averageBy;
  // A key naming its scans by number: the columns and the file name pattern
  // the user confirmed (empty: the key has a `file` column).
  std::vector<std::string> keyScans;
  std::string keyName;
  // White references named in the key, as the user confirmed them (empty
  // column: none): the rows whose column holds the value name the reference
  // scans; a scan is corrected by those sharing its `keyReferenceBy` values.
  std::string keyReferenceColumn, keyReferenceValue;
  std::vector<std::string> keyReferenceBy;
  // "Dark scan": the UniSpec-DC dark scan subtracted from every scan of a
  // run; empty for none.
  std::string darkScan;
};

}  // namespace corvelane
