#pragma once

int runApplication(int argc, char **argv);
