#include "diag/diag_records.h"

namespace karvelm {

TDiagRecords& DiagRecords() {
  static TDiagRecords records;
  return records;
}

}  // namespace karvelm
