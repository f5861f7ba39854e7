#pragma once

class QWidget;
class SkinForm;

// How the main window is walked with the keyboard and read by a screen
// reader: Tab goes through it as it reads (the skin's tool bar, the drive
// list, the list, the choices and fields beside and below it, then the
// player), and controls whose caption says too little ("...", "All") get a
// name that says what they do. Run once the skin is applied.
void makeWindowAccessible(QWidget* window, SkinForm* form);
