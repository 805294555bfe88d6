#!/bin/sh
# Stands in for a program that does not end.
exec sleep 30
