// The time calculator: operand A minus operand B into the result box.
#pragma once

namespace ui {
void runTimeCalculator();
}
