#!/bin/sh
echo "Hello from the Instari demo."
