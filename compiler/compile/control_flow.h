// Control-flow statements and the inline IF.
#pragma once

int do_ternary_if();
