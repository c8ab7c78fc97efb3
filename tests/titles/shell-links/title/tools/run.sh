#!/bin/sh
touch started.txt
