cmake_minimum_required(VERSION 3.20)
project(Kestrafen VERSION 2.3.4 LANGUAGES CXX RC)
