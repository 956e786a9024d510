// Replaced by the export run.
