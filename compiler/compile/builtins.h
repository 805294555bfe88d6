// Built-in functions and procedures, and parameter arrays.
#pragma once
#include <cstdint>

int do_builtin_int_func();
int do_fread_write();
int do_param_array(int32_t base);
int do_special_proc();
