// The one narrow interface through which the source list and the conversion runs talk to
// a conversion window; the Qt windows, the command-line program and the tests implement it.
#pragma once

#include <string>
#include <vector>

#include "sources/Dialogs.h"
#include "sources/SkippedFolders.h"

namespace mailferry::sources {

enum class WindowKind { Email, Contacts };

class ConversionWindow {
 public:
  virtual ~ConversionWindow() = default;

  virtual WindowKind kind() const = 0;
  // The owner to pass to dialogs opened for this window.
  virtual OwnerHandle owner() const = 0;

  // The grid grdFiles1. Rows and columns are 0-based; widths are in twips.
  virtual int gridRows() const = 0;
  virtual void setGridRows(int rows) = 0;
  virtual void setGridCols(int cols) = 0;
  virtual void setGridFixedRows(int rows) = 0;
  virtual std::string gridText(int row, int col) const = 0;
  virtual void setGridText(int row, int col, const std::string& text) = 0;
  virtual void setGridRow(int row) = 0;
  virtual void setGridCol(int col) = 0;
  virtual void setGridColWidth(int col, int twips) = 0;
  // The listed paths, row by row (the empty list, one row with an empty cell, gives none).
  virtual std::vector<std::string> listed() const = 0;

  // The folders its folder searches left out, kept beside the grid and grown like it; the
  // run's summary counts them.
  virtual SkippedFolders& skippedFolders() = 0;
  virtual const SkippedFolders& skippedFolders() const = 0;

  // Captions of lblCount1, LblCurrentDBX and LblProgessCurrent.
  virtual void setCountCaption(const std::string& text) = 0;
  virtual void setCurrentCaption(const std::string& text) = 0;
  virtual void setProgressCaption(const std::string& text) = 0;

  // ProgressBar1.
  virtual void setProgressMin(float value) = 0;
  virtual void setProgressMax(float value) = 0;
  virtual void setProgressValue(float value) = 0;

  // CmdExtractDBX.
  virtual void setConvertEnabled(bool enabled) = 0;

  // The busy (hourglass) mouse pointer over the window.
  virtual void setBusy(bool busy) = 0;

  // Lets the window process its pending input and paint events.
  virtual void yield() = 0;
};

}  // namespace mailferry::sources
