#pragma once

// Each test class of the shell runs through one of these; main() runs them all.
int runMainFrameTests(int argc, char** argv);
int runSelectionWindowTests(int argc, char** argv);
int runAboutBoxTests(int argc, char** argv);
int runDesktopSeamTests(int argc, char** argv);
