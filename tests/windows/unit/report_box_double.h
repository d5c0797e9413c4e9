// Boxes the report asked to show during a unit test (see report_box_double.cpp).
#ifndef MSILAUNCH_TESTS_WINDOWS_UNIT_REPORT_BOX_DOUBLE_H
#define MSILAUNCH_TESTS_WINDOWS_UNIT_REPORT_BOX_DOUBLE_H

#include <string>
#include <vector>

struct RecordedBox {
    std::string text;
    std::string caption;
};

extern std::vector<RecordedBox> g_recordedBoxes;

#endif
