#pragma once
// "--config": reads the configuration as at start and prints the values in force.
int ExecuterCommandeConfig();
