#pragma once

// Each test class of the SQLBase back end's widget side runs through one of these; main() runs
// them all under one application object.
int runSqlBaseCatalogTests(int argc, char** argv);
int runSqlBaseStartupTests(int argc, char** argv);
int runSqlBaseBackendTests(int argc, char** argv);
int runSqlBaseLoginWindowTests(int argc, char** argv);
int runSqlBaseLiveTests(int argc, char** argv);
