#pragma once

// Each test class of the SQL Server back end runs through one of these; main() runs them all.
int runSqlServerCatalogTests(int argc, char** argv);
int runSqlServerBackendTests(int argc, char** argv);
int runSqlServerRealServerTests(int argc, char** argv);
