// The table maker of tools/qb-chartables, built into the test so that the committed
// tables can be compared with what it makes.
#include "tools/qb-chartables/CharTables.cpp"
