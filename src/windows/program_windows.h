#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;

/// The program's eight windows. They are created at start in a fixed order, live until the
/// program ends, and reach one another through these pointers.
struct ProgramWindows
{
    TForm1 *Form1 = nullptr; ///< main window
    TForm2 *Form2 = nullptr; ///< about window
    TForm3 *Form3 = nullptr; ///< help window
    TForm4 *Form4 = nullptr; ///< online gauges window
    TForm5 *Form5 = nullptr; ///< data window
    TForm6 *Form6 = nullptr; ///< chart window
    TForm7 *Form7 = nullptr; ///< sample-rate dialog
    TForm8 *Form8 = nullptr; ///< clock-set dialog
};
