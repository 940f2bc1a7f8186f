#pragma once

namespace quorvex {

enum class ExportFormat {
    Csv,  // "name.CSV" in the chosen folder
    Xml,  // "name.xml" in the rowset persistence format
    Xlsx, // a workbook with one sheet named after the audit
};

} // namespace quorvex
