// Error reports and the symbol map.
#pragma once

void print_error_ln(const char *msg);
void sym_dump(const char *prefix, int first, int last);
