#pragma once

// Each test class of the main window runs through one of these; main() runs them all.
int runMainWindowStartTests(int argc, char** argv);
int runColumnListingTests(int argc, char** argv);
int runConditionBuilderTests(int argc, char** argv);
int runAuditSaveTests(int argc, char** argv);
int runInstalledAuditsTabTests(int argc, char** argv);
