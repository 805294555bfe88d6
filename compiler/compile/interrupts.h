// ON statements: interrupt handlers for TIMER and the external interrupts.
#pragma once

int do_interrupt();
